#include "link.h"

#include "announcer.h"
#include "commands.h"
#include "event_wait.h"
#include "lifecycle.h"
#include "logging.h"
#include "radio_port.h"

namespace vexalo {

Link::Link(Settings &settings, Interpreter &interpreter, Announcer &announcer, RadioPort &port,
           const Lifecycle &lifecycle)
    : m_announcer(announcer), m_port(port), m_lifecycle(lifecycle),
      // Nobody reads the line while a clip plays, so a reply's age leaves that time out.
      m_exchange([&announcer] { return Exchange::Clock::now() - announcer.speakingTime(); }),
      m_clients(m_exchange, port, lifecycle),
      m_path(m_exchange, interpreter, announcer, *this, *this, &m_clients),
      m_reportModes(settings, announcer, *this), m_meterTone(*this, announcer)
{
    m_path.setMeterWatch(&m_meterTone);
    m_port.setReceiver([this](std::string_view input) { receive(input); });
    m_announcer.setBetweenClips(this);
    m_lockPoll.setObjectName(QStringLiteral("Timer1"));
    m_lockPoll.setInterval(kLockPollInterval);
    connect(&m_lockPoll, &QTimer::timeout, this, &Link::pollLock);
    m_settled.setSingleShot(true);
    m_settled.setTimerType(Qt::PreciseTimer);
    connect(&m_settled, &QTimer::timeout, this, &Link::speakNow);
}

Link::~Link()
{
    m_announcer.setBetweenClips(nullptr);
}

bool Link::stopping() const
{
    return m_lifecycle.stopping();
}

bool Link::SendCommand(std::string_view command)
{
    if (stopping()) {
        qCDebug(lcLink, "not sent, stopping: %.*s", static_cast<int>(command.size()),
                command.data());
        return false;
    }
    qCDebug(lcLink, "send %.*s", static_cast<int>(command.size()), command.data());
    if (!m_port.write(command)) {
        qCDebug(lcLink, "write failed");
        m_announcer.say({ "q7_error" });
        return false;
    }
    return true;
}

bool Link::set(std::string_view setting)
{
    if (!SendCommand(setting)) {
        return false;
    }
    m_exchange.settingSent(setting);
    return true;
}

Exchange::Ticket Link::ask(std::string_view command, Exchange::Kind kind)
{
    return SendCommand(command) ? m_exchange.sent(command, kind) : 0;
}

Link::Asked Link::askAndWait(std::string_view command, Exchange::Kind kind)
{
    return askWaiting(command, kind, false);
}

Link::Asked Link::askSilentlyAndWait(std::string_view command)
{
    return askWaiting(command, Exchange::Kind::Plain, true);
}

Link::Asked Link::askWaiting(std::string_view command, Exchange::Kind kind, bool silently)
{
    if (stopping()) {
        return Asked::Stopping;
    }
    if (!SendCommand(command)) {
        return stopping() ? Asked::Stopping : Asked::WriteFailed;
    }
    const Exchange::Ticket ticket = m_exchange.sent(command, kind);
    if (silently) {
        m_exchange.hush(ticket);
    }
    if (ticket != 0) {
        waitDeliveringEvents(Exchange::kReplyTimeout, [this, ticket] {
            return !m_exchange.outstanding(ticket) || stopping();
        });
    }
    return stopping() ? Asked::Stopping : Asked::Waited;
}

void Link::release()
{
    m_meterTone.stop();
    if (m_clients.reportsForClientsOnly()) {
        qCDebug(lcLink, "send %.*s (release, for clients)",
                static_cast<int>(commands::kAutoInfoOff.size()), commands::kAutoInfoOff.data());
        m_port.write(commands::kAutoInfoOff);
    }
    qCDebug(lcLink, "send %.*s (release)", static_cast<int>(commands::kRelease.size()),
            commands::kRelease.data());
    m_port.write(commands::kRelease);
}

void Link::receive(std::string_view input)
{
    if (stopping()) {
        return;
    }
    m_path.receive(input);
    m_clients.settle();
    speakNow();
}

void Link::speakNow()
{
    // A running speak() says a held report once it is due; the steps between its clips keep
    // the timer set.
    if (stopping() || m_announcer.speaking()) {
        return;
    }
    m_announcer.speak();
    // A report held back, or held again by what arrived while speaking, is due later.
    if (const auto left = m_announcer.settleLeft()) {
        m_settled.start(*left);
    } else {
        m_settled.stop();
    }
}

void Link::betweenClips()
{
    m_path.receive(m_port.takeWaiting());
    m_clients.takeCommands();
    m_clients.sendWaiting();
    if (const auto left = m_announcer.settleLeft()) {
        m_settled.start(*left);
    }
}

void Link::setLockPolling(bool on)
{
    if (on) {
        resumeLockPoll();
    } else {
        pauseLockPoll();
    }
}

void Link::pollLock()
{
    ask(commands::kLockPoll);
}

void Link::pauseLockPoll()
{
    m_lockPoll.stop();
}

void Link::resumeLockPoll()
{
    // A running poll keeps its rhythm.
    if (!m_lockPoll.isActive()) {
        m_lockPoll.start();
    }
}

} // namespace vexalo

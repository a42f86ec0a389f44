#include "client_traffic.h"

#include "commands.h"
#include "exchange.h"
#include "lifecycle.h"
#include "logging.h"
#include "radio_port.h"

namespace vexalo {

namespace {

// A character on the line at 4800 baud, 8N1: ten bits.
constexpr std::chrono::microseconds kCharacterTime { 10'000'000 / 4800 };
// After its reply timeout a query is certainly forgotten by the exchange on this side.
constexpr std::chrono::milliseconds kPatience
    = Exchange::kReplyTimeout + std::chrono::milliseconds(20);

} // namespace

ClientTraffic::ClientTraffic(Exchange &exchange, RadioPort &port, const Lifecycle &lifecycle)
    : m_exchange(exchange), m_port(port), m_lifecycle(lifecycle)
{
    m_next.setSingleShot(true);
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, [this] {
        // A command that expects no reply is done with once it has had time to leave.
        if (m_inFlight && !m_patience.isActive()) {
            m_inFlight.reset();
        }
        pump();
    });
    m_patience.setSingleShot(true);
    connect(&m_patience, &QTimer::timeout, this, [this] {
        {
            const auto grace = m_exchange.grace();
            m_port.handOnWaiting();
        }
        settle();
        // Time spent speaking does not count on the line clock: the query may still be
        // waiting.
        if (m_inFlight) {
            m_patience.start(std::chrono::milliseconds(50));
        }
    });
}

bool ClientTraffic::stopping() const
{
    return m_lifecycle.stopping();
}

bool ClientTraffic::write(std::string_view command)
{
    if (stopping()) {
        return false;
    }
    qCDebug(lcLink, "send %.*s (for clients)", static_cast<int>(command.size()), command.data());
    return m_port.write(command);
}

bool ClientTraffic::send(ClientCommand command)
{
    if (!m_queue.push(std::move(command))) {
        return false;
    }
    schedulePump();
    return true;
}

void ClientTraffic::drop(ClientId client)
{
    m_queue.drop(client);
}

void ClientTraffic::release()
{
    if (m_holds > 0 && --m_holds == 0) {
        reconcileReports();
        schedulePump();
    }
}

void ClientTraffic::schedulePump()
{
    if (!m_inFlight && !m_next.isActive()) {
        m_next.start(0);
    }
}

void ClientTraffic::pump()
{
    if (m_holds > 0 || m_inFlight || stopping()) {
        return;
    }
    std::optional<ClientCommand> command = m_queue.next();
    if (!command) {
        return;
    }
    if (!write(command->text)) {
        unanswered(command->asker, Unanswered::NotWritten);
        schedulePump();
        return;
    }
    m_exchange.sentFor(command->asker, command->text);
    m_inFlight = command->asker;
    if (Exchange::clientQuery(command->text)) {
        m_patience.start(kPatience);
    } else {
        const auto leaving = std::chrono::ceil<std::chrono::milliseconds>(
            kCharacterTime * static_cast<long>(command->text.size()));
        m_lineFreeAt = std::chrono::steady_clock::now() + leaving;
        m_next.start(leaving);
    }
}

void ClientTraffic::sendWaiting()
{
    settle();
    if (m_inFlight && !m_patience.isActive() && std::chrono::steady_clock::now() >= m_lineFreeAt) {
        m_inFlight.reset();
        m_next.stop();
    }
    pump();
}

void ClientTraffic::finished(const Asker &asker)
{
    if (m_inFlight && *m_inFlight == asker) {
        m_inFlight.reset();
        m_patience.stop();
        m_next.stop();
        schedulePump();
    }
}

void ClientTraffic::settle()
{
    for (const Asker &asker : m_exchange.takeUnanswered()) {
        unanswered(asker, Unanswered::NoReply);
    }
}

void ClientTraffic::answered(const Asker &asker, std::string_view reply)
{
    if (m_sharing != nullptr) {
        m_sharing->answered(asker, reply);
    }
    finished(asker);
}

void ClientTraffic::unanswered(const Asker &asker, Unanswered why)
{
    qCDebug(lcLink, "client %u: %s", asker.client,
            why == Unanswered::NoReply ? "no answer in time" : "command not written");
    if (m_sharing != nullptr) {
        m_sharing->unanswered(asker, why);
    }
    finished(asker);
}

void ClientTraffic::takeCommands()
{
    if (m_sharing != nullptr) {
        m_sharing->takeCommands();
    }
}

void ClientTraffic::reported(std::string_view reply)
{
    if (m_sharing != nullptr && m_reportsWanted) {
        m_sharing->reported(reply);
    }
}

void ClientTraffic::setOwnReports(bool on)
{
    m_ownReports = on;
    // Vexalo's own command has set the radio's reports, whatever the clients had.
    m_reportsForClients = false;
    reconcileReports();
}

void ClientTraffic::setReportsWanted(bool wanted)
{
    m_reportsWanted = wanted;
    reconcileReports();
}

void ClientTraffic::reconcileReports()
{
    // Until Vexalo has said what it wants (its handshake switches reports off first) the
    // radio's reports are left alone.
    if (m_holds > 0 || stopping() || !m_ownReports) {
        return;
    }
    const bool forClients = m_reportsWanted && !*m_ownReports;
    if (forClients == m_reportsForClients) {
        return;
    }
    const std::string_view command = forClients ? commands::kAutoInfoOn : commands::kAutoInfoOff;
    qCDebug(lcLink, "reports %s for the clients", forClients ? "on" : "off");
    if (!write(command)) {
        return; // the next change of wishes or of Vexalo's own mode tries again
    }
    m_reportsForClients = forClients;
}

} // namespace vexalo

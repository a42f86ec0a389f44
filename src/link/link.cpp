#include "link.h"

#include "commands.h"
#include "event_wait.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "logging.h"
#include "q7_globals.h"
#include "radio_port.h"
#include "speech.h"

#include <algorithm>
#include <functional>

namespace vexalo {

Link::Link(Q7Globals &globals, Speech &speech, Interpreter &interpreter, RadioPort &port,
           const Lifecycle &lifecycle)
    : m_globals(globals), m_speech(speech), m_interpreter(interpreter), m_port(port),
      m_lifecycle(lifecycle)
{
    m_port.setReceiver([this](std::string_view input) { Comm1_OnComm(input); });
}

bool Link::stopping() const
{
    return m_lifecycle.stopping();
}

void Link::ask(std::string_view command)
{
    m_globals.reply_pending = true;
    SendCommand(command);
}

bool Link::askAndWait(std::string_view command)
{
    ask(command);
    WaitReply();
    return !stopping();
}

void Link::SendCommand(std::string_view command)
{
    if (stopping()) {
        qCDebug(lcLink, "not sent, stopping: %.*s", static_cast<int>(command.size()),
                command.data());
        return;
    }
    qCDebug(lcLink, "send %.*s", static_cast<int>(command.size()), command.data());
    if (!m_port.write(command)) {
        qCDebug(lcLink, "write failed");
        m_speech.PlayClip("q7_error");
    }
}

void Link::WaitReply()
{
    if (!m_globals.reply_pending || stopping()) {
        return;
    }
    waitDeliveringEvents(kReplyTimeout, [this] { return !m_globals.reply_pending || stopping(); });
}

void Link::release()
{
    qCDebug(lcLink, "send %.*s (release)", static_cast<int>(commands::kRelease.size()),
            commands::kRelease.data());
    m_port.write(commands::kRelease);
}

void Link::collectWaiting()
{
    const std::string arrived = m_port.takeWaiting();
    if (arrived.empty()) {
        return;
    }
    for (std::string &reply : m_framer.receive(arrived)) {
        m_waiting.push_back(std::move(reply));
    }
}

bool Link::newerWaiting(std::string_view reply) const
{
    return std::any_of(m_waiting.begin(), m_waiting.end(), [this, reply](const std::string &w) {
        return m_interpreter.sameReading(reply, w);
    });
}

void Link::Comm1_OnComm(std::string_view input)
{
    for (std::string &reply : m_framer.receive(input)) {
        m_waiting.push_back(std::move(reply));
    }
    // Replies are handed on one at a time; arrivals noticed meanwhile only join the queue.
    if (m_handingOn) {
        return;
    }
    m_handingOn = true;
    while (!m_waiting.empty() && !stopping()) {
        const std::string reply = std::move(m_waiting.front());
        m_waiting.pop_front();
        // What arrived while the last announcement played decides whether this one is stale.
        collectWaiting();
        if (m_interpreter.maySupersede(reply) && newerWaiting(reply)) {
            m_interpreter.HandleSuperseded(reply);
            continue;
        }
        std::function<bool()> superseded;
        if (m_interpreter.interruptible(reply)) {
            superseded = [this, &reply] {
                collectWaiting();
                return newerWaiting(reply);
            };
        }
        const auto announcement = m_speech.announce(std::move(superseded));
        m_interpreter.HandleReply(reply);
    }
    m_handingOn = false;
}

void Link::Timer1_Timer()
{
    ask(commands::kLockPoll);
}

} // namespace vexalo

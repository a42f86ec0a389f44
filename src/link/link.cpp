#include "link.h"

#include "commands.h"
#include "event_wait.h"
#include "interpreter.h"
#include "logging.h"
#include "q7_globals.h"
#include "radio_port.h"
#include "speech.h"

namespace vexalo {

Link::Link(Q7Globals &globals, Speech &speech, Interpreter &interpreter, RadioPort &port)
    : m_globals(globals), m_speech(speech), m_interpreter(interpreter), m_port(port)
{
    m_port.setReceiver([this](std::string_view input) { Comm1_OnComm(input); });
}

void Link::SendCommand(std::string_view command)
{
    qCDebug(lcLink, "send %.*s", static_cast<int>(command.size()), command.data());
    if (!m_port.write(command)) {
        m_speech.PlayClip("q7_error");
    }
}

void Link::WaitReply()
{
    if (!m_globals.reply_pending) {
        return;
    }
    waitDeliveringEvents(kReplyTimeout, [this] { return !m_globals.reply_pending; });
}

void Link::Comm1_OnComm(std::string_view input)
{
    for (const std::string &reply : m_framer.receive(input)) {
        m_interpreter.HandleReply(reply);
    }
}

void Link::Timer1_Timer()
{
    m_globals.reply_pending = true;
    SendCommand(commands::kLockPoll);
}

} // namespace vexalo

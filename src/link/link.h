// The program's side of the serial line: writing commands (a failed write is heard as
// "q7_error", never reported to the caller), cutting arrivals into replies for the interpreter,
// waiting a bounded time for an awaited reply while events keep flowing, and the lock-poll tick.
// Relies on the RadioPort seam, the interpreter and the speech unit; runs on the UI thread.
#pragma once

#include "reply_framer.h"

#include <QObject>

#include <chrono>
#include <string_view>

namespace vexalo {

struct Q7Globals;
class Interpreter;
class RadioPort;
class Speech;

class Link : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kReplyTimeout { 500 };

    Link(Q7Globals &globals, Speech &speech, Interpreter &interpreter, RadioPort &port);

    void SendCommand(std::string_view command);

    // Delivers pending events until the awaited reply has been handled (reply_pending false)
    // or the reply timeout has passed. Blocks while nothing happens instead of spinning.
    void WaitReply();

    // The receive event: frames the arrival and hands each complete reply on, in order.
    void Comm1_OnComm(std::string_view input);

    // The lock poll, every 500 ms while the lock check box is checked.
    void Timer1_Timer();

    RadioPort &port() { return m_port; }
    const std::string &rx_buffer() const { return m_framer.rx_buffer(); }

private:
    Q7Globals &m_globals;
    Speech &m_speech;
    Interpreter &m_interpreter;
    RadioPort &m_port;
    ReplyFramer m_framer;
};

} // namespace vexalo

// The program's side of the serial line: the request/reply exchange (it alone marks a reply as
// awaited), writing commands (a failed write is heard as "q7_error", never reported to the
// caller), cutting arrivals into replies for the interpreter, waiting a bounded time for an
// awaited reply while events keep flowing, and the lock-poll tick. Once the program is stopping
// it writes nothing more and every wait ends at once. Runs on the UI thread.
#pragma once

#include "reply_framer.h"

#include <QObject>

#include <chrono>
#include <deque>
#include <string>
#include <string_view>

namespace vexalo {

struct Q7Globals;
class Interpreter;
class Lifecycle;
class RadioPort;
class Speech;

class Link : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kReplyTimeout { 500 };

    Link(Q7Globals &globals, Speech &speech, Interpreter &interpreter, RadioPort &port,
         const Lifecycle &lifecycle);

    // Sends a query whose reply is to be announced as asked for.
    void ask(std::string_view command);
    // The same, then waits for the reply. False when the program began to stop meanwhile: the
    // caller then ends without sending or saying anything more.
    bool askAndWait(std::string_view command);

    void SendCommand(std::string_view command);

    // Delivers pending events until the awaited reply has been handled (reply_pending false),
    // the reply timeout has passed or the program is stopping. Blocks while nothing happens.
    void WaitReply();

    // The shutdown's release of the radio: straight to the port, nothing awaited, and a closed
    // port is no reason for an error clip.
    void release();

    bool stopping() const;

    // The receive event: frames the arrival and hands each complete reply on, in order.
    void Comm1_OnComm(std::string_view input);

    // The lock poll, every 500 ms while the lock check box is checked.
    void Timer1_Timer();

    RadioPort &port() { return m_port; }
    const std::string &rx_buffer() const { return m_framer.rx_buffer(); }

private:
    // Frames whatever has arrived since the last look, without delivering events.
    void collectWaiting();
    bool newerWaiting(std::string_view reply) const;

    Q7Globals &m_globals;
    Speech &m_speech;
    Interpreter &m_interpreter;
    RadioPort &m_port;
    const Lifecycle &m_lifecycle;
    ReplyFramer m_framer;
    std::deque<std::string> m_waiting; // framed, not yet handed on
    bool m_handingOn = false;
};

} // namespace vexalo

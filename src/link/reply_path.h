// The road every reply from the radio takes: cut from the arrivals, matched by the exchange with
// the query it answers, interpreted against the recorded state, its effects applied (a query
// answered, the lock poll paused or resumed) and its announcement handed to the announcer, one
// reply at a time in arrival order; a client's answer goes back to the client instead, neither
// interpreted nor said. It is also the announcer's source of arrivals between clips. Free of Qt
// and of the port, so that the program, the replay tool and the fuzz target all run this road.
#pragma once

#include "announcer.h"
#include "client_line.h"
#include "exchange.h"
#include "interpreter.h"
#include "reply_framer.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// What the interpreter reads from the window: the "Full Auto" check mark and the lock check
// box. NoWindow stands in until the window exists (nothing checked).
class WindowReadouts {
public:
    virtual ~WindowReadouts() = default;
    virtual bool fullAutoChecked() const = 0;
    virtual bool lockChecked() const = 0;
};

class NoWindow : public WindowReadouts {
public:
    bool fullAutoChecked() const override { return false; }
    bool lockChecked() const override { return false; }
};

// The lock poll as a status report pauses and resumes it.
class LockPollControl {
public:
    virtual ~LockPollControl() = default;
    virtual void pauseLockPoll() = 0;
    virtual void resumeLockPoll() = 0;
};

struct HandledReply {
    std::string reply;
    bool asked;
    Announcement announcement;
};

class ReplyPath : public ArrivalSource {
public:
    ReplyPath(Exchange &exchange, Interpreter &interpreter, Announcer &announcer,
              LockPollControl &lockPoll)
        : m_exchange(exchange), m_interpreter(interpreter), m_announcer(announcer),
          m_lockPoll(lockPoll)
    {
        m_announcer.setArrivalSource(this);
    }
    ~ReplyPath() override { m_announcer.setArrivalSource(nullptr); }
    ReplyPath(const ReplyPath &) = delete;
    ReplyPath &operator=(const ReplyPath &) = delete;

    // The window is built after the link that reads it.
    void setWindow(const WindowReadouts &window) { m_window = &window; }
    // Characters that have arrived but not been delivered yet, taken without delivering events.
    void setLine(std::function<std::string()> takeWaiting)
    {
        m_takeWaiting = std::move(takeWaiting);
    }
    // Told of every reply once it has been handled, in order (the replay tool prints them).
    void setObserver(std::function<void(const HandledReply &)> observer)
    {
        m_observer = std::move(observer);
    }

    // Programs sharing the radio: their answers and the radio's reports go here.
    void setClients(ClientLine *clients) { m_clients = clients; }
    // While the radio reports only for the clients, Vexalo leaves its reports to them.
    void setUnaskedForClientsOnly(bool only) { m_unaskedForClientsOnly = only; }

    // Frames the input and handles every reply it completes, in order. Speaks nothing: the
    // announcements wait in the announcer until it is asked to speak.
    void receive(std::string_view input);

    void collectArrivals() override;

    const std::string &rx_buffer() const { return m_framer.rx_buffer(); }

private:
    void handle(const std::string &reply);

    Exchange &m_exchange;
    Interpreter &m_interpreter;
    Announcer &m_announcer;
    LockPollControl &m_lockPoll;
    NoWindow m_noWindow;
    const WindowReadouts *m_window = &m_noWindow;
    std::function<std::string()> m_takeWaiting;
    std::function<void(const HandledReply &)> m_observer;
    ClientLine *m_clients = nullptr;
    bool m_unaskedForClientsOnly = false;
    ReplyFramer m_framer;
};

} // namespace vexalo

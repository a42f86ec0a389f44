// The road every reply from the radio takes: cut from the arrivals, matched by the exchange with
// the query it answers, interpreted against the recorded state, its effects applied (a query
// answered, the lock poll paused or resumed) and its announcement handed to the announcer, one
// reply at a time in arrival order; a client's answer goes back to the client instead, neither
// interpreted nor said (and, while the radio reports to Vexalo, recorded too), and the S-meter
// tone's readings go to the tone, unsaid. Free of Qt and of the port, so that the program, the
// replay tool and the fuzz target all run this road.
#pragma once

#include "announcer.h"
#include "band_edges.h"
#include "client_side.h"
#include "exchange.h"
#include "interpreter.h"
#include "reply_framer.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// What the reply path reads, as each reply comes, from the parts that own it: the report mode
// (Full Auto; whether the radio reports its changes to Vexalo or to the clients alone), the
// window's lock check box and the bands whose edges are announced.
class ReplyConditions {
public:
    virtual ~ReplyConditions() = default;
    virtual bool fullAuto() const = 0;
    virtual bool lockChecked() const = 0;
    // The radio reports its changes by itself because Vexalo's report mode asked it to.
    virtual bool reportsToVexalo() const = 0;
    // The radio reports only because clients want it: Vexalo leaves those reports to them.
    virtual bool reportsForClientsOnly() const = 0;
    // The bands of the region the operator chose; none, and no band edges, by default.
    virtual std::span<const Band> bandEdges() const { return {}; }
};

// The lock poll as a status report pauses and resumes it.
class LockPollControl {
public:
    virtual ~LockPollControl() = default;
    virtual void pauseLockPoll() = 0;
    virtual void resumeLockPoll() = 0;
};

// Takes the S-meter readings the tone asked for; they are never interpreted or said.
class MeterWatch {
public:
    virtual ~MeterWatch() = default;
    virtual void meterRead(std::string_view reply) = 0;
};

struct HandledReply {
    std::string reply;
    bool asked;
    Announcement announcement;
};

class ReplyPath {
public:
    // `clients` may be none: then nobody shares the radio.
    ReplyPath(Exchange &exchange, Interpreter &interpreter, Announcer &announcer,
              LockPollControl &lockPoll, const ReplyConditions &conditions,
              ClientSide *clients = nullptr)
        : m_exchange(exchange), m_interpreter(interpreter), m_announcer(announcer),
          m_lockPoll(lockPoll), m_conditions(conditions), m_clients(clients)
    {
    }
    ReplyPath(const ReplyPath &) = delete;
    ReplyPath &operator=(const ReplyPath &) = delete;
    // Told of every reply once it has been handled, in order (the replay tool prints them).
    void setObserver(std::function<void(const HandledReply &)> observer)
    {
        m_observer = std::move(observer);
    }

    // Where the answers to the tone's S-meter queries go; none: they are dropped.
    void setMeterWatch(MeterWatch *watch) { m_meterWatch = watch; }

    // Frames the input and handles every reply it completes, in order. Speaks nothing: the
    // announcements wait in the announcer until it is asked to speak.
    void receive(std::string_view input);

    const std::string &rx_buffer() const { return m_framer.rx_buffer(); }

private:
    void handle(const std::string &reply);
    void interpret(const std::string &reply, const Exchange::Match &match);

    Exchange &m_exchange;
    Interpreter &m_interpreter;
    Announcer &m_announcer;
    LockPollControl &m_lockPoll;
    const ReplyConditions &m_conditions;
    ClientSide *m_clients;
    MeterWatch *m_meterWatch = nullptr;
    std::function<void(const HandledReply &)> m_observer;
    ReplyFramer m_framer;
};

} // namespace vexalo

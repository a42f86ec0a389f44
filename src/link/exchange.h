// Which query a reply answers, and for whom (Vexalo or a client sharing the radio): a reply answers
// the oldest outstanding query it fits, the older ones being dropped, since the radio answers in
// order; a query is forgotten after the reply timeout on the line clock the caller provides (the
// program's leaves out time spent speaking). The link owns the one exchange of the program.
#pragma once

#include "client_side.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo {

class Exchange {
public:
    using Clock = std::chrono::steady_clock;
    using LineClock = std::function<Clock::time_point()>;
    using Ticket = std::uint64_t; // names one query; 0 names none

    static constexpr std::chrono::milliseconds kReplyTimeout { 500 };

    // Info's status report also says "split"; the S-meter tone's readings are never said; every
    // other query is plain.
    enum class Kind { Plain, Info, Meter };

    // What a reply must begin with to answer a command: "id;" takes any reply, the two
    // identification commands a reply beginning "Q7", and every other two-letter query the
    // same two letters in upper case. A command with a parameter ("ai0;", "AI2;", "q70;") or
    // anything else expects nothing. An empty prefix stands for any reply.
    static std::optional<std::string> expectedPrefix(std::string_view command);

    explicit Exchange(LineClock clock = &Clock::now) : m_clock(std::move(clock)) { }

    // Records Vexalo's command if it expects a reply; 0 when it expects none.
    Ticket sent(std::string_view command, Kind kind = Kind::Plain);
    // Records Vexalo's setting, which only the radio's error reply answers; it is no query
    // Vexalo waits for.
    Ticket settingSent(std::string_view command);
    // Records a client's command, always: a query of two letters expects a reply with them in
    // upper case ("id;" too: a client's "id;" must not take whatever comes), and any command,
    // query or not, may be answered by the radio's error reply ("?;").
    Ticket sentFor(const Asker &asker, std::string_view command);
    // Whether a client's command is a query the radio answers.
    static bool clientQuery(std::string_view command);
    // A query answered by whatever reply comes next.
    Ticket expectAnyReply(Kind kind = Kind::Plain);

    struct Match {
        Ticket ticket = 0; // the query the reply answers; 0 when it answers none
        bool info = false;
        bool meter = false;
        Asker asker;
        // A client's query that reads back the setting it sent just before: while the radio
        // reports by itself, its report of the change comes first and is taken for the answer.
        bool readBack = false;
        bool hushed = false;
        bool asked() const { return ticket != 0; }
        bool forClient() const { return asked() && asker.isClient(); }
    };
    // The oldest outstanding query the reply fits, without settling it: a reply recorded in a
    // band-change burst answers nothing and leaves it outstanding.
    Match match(std::string_view reply);
    // The reply was handled and answers this query: it and every older one are settled.
    void answered(Ticket ticket);
    // The query's answer is still recorded when it comes, but not said: its asker has gone on
    // to a newer one (a step pressed while the one before was read back).
    void hush(Ticket ticket);

    bool outstanding(Ticket ticket);
    // Vexalo's own queries: whether one is outstanding, and whether it is Info.
    bool anyOutstanding();
    bool infoOutstanding();
    void forgetAll();

    // The clients' queries that have left without an answer since the last call (their time
    // ran out, or the radio answered a later command), oldest first.
    std::vector<Asker> takeUnanswered();

    // No query runs out of time while the guard lives: what was already waiting on the line when
    // a query's time ran out (a busy machine can run the timer before the line is read) is taken
    // for its answer.
    class [[nodiscard]] Grace {
    public:
        explicit Grace(Exchange &exchange)
            : m_exchange(exchange), m_was(std::exchange(exchange.m_grace, true))
        {
        }
        ~Grace() { m_exchange.m_grace = m_was; }
        Grace(const Grace &) = delete;
        Grace &operator=(const Grace &) = delete;

    private:
        Exchange &m_exchange;
        bool m_was;
    };
    Grace grace() { return Grace(*this); }

private:
    struct Query {
        Ticket ticket;
        std::optional<std::string> prefix; // none: only an error reply fits
        Kind kind;
        Clock::time_point sentAt;
        Asker asker;
        std::string setting; // a setting: its two letters in upper case
        bool readBack = false;
        bool hushed = false;
    };
    Ticket record(std::optional<std::string> prefix, Kind kind, const Asker &asker = {},
                  std::string setting = {});
    void dropExpired();
    // Removes the queries the predicate names; clients' queries among them go unanswered.
    template <typename Predicate> void drop(Predicate gone);

    LineClock m_clock;
    std::deque<Query> m_queries; // oldest first
    std::vector<Asker> m_unanswered;
    Ticket m_last = 0;
    bool m_grace = false;
};

} // namespace vexalo

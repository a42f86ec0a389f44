// One client of the rigctl endpoint: its bytes become lines and the lines requests, answered one
// after another in the order they came, each running its steps through the Q7's own commands;
// replies for a request already answered are ignored. Bounded: a client far ahead of the radio is
// flooding. Pure; the sharing layer carries the bytes and the radio's replies.
#pragma once

#include "client_side.h"
#include "rig_request.h"
#include "rigctl_protocol.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

class RigctlSession {
public:
    class Peer {
    public:
        virtual ~Peer() = default;
        virtual void write(std::string_view bytes) = 0; // to the client
        // To the radio, behind the other clients' commands; false when the backlog is full.
        virtual bool send(std::uint64_t tag, std::string command) = 0;
        // The client asked to quit: close once what was written has gone.
        virtual void close() = 0;
    };

    // Lines waiting behind the request being answered; a client that is further ahead than
    // this is flooding.
    static constexpr std::size_t kMaxWaitingLines = 64;

    explicit RigctlSession(Peer &peer) : m_peer(peer) { }

    enum class Fed { Taken, Flooding };
    Fed receive(std::string_view bytes);

    void answered(std::uint64_t tag, std::string_view reply);
    void unanswered(std::uint64_t tag, Unanswered why);

private:
    struct Line {
        std::string text;
        bool overlong = false;
    };

    void run();
    // Runs the current request's next step; false when it is waiting for the radio.
    bool step();
    void finish(const rigctl::Answer &answer);
    bool current(std::uint64_t tag) const { return m_request && (tag >> 8) == m_serial; }

    Peer &m_peer;
    std::string m_partial;
    bool m_discarding = false; // the rest of an overlong line
    std::deque<Line> m_lines;
    std::deque<rigctl::Request> m_requests; // of the line being answered
    std::optional<rigctl::Request> m_request; // being answered
    rigctl::Facts m_facts;
    std::uint64_t m_serial = 0;
    std::size_t m_awaited = 0; // replies the current step still waits for
    rigctl::SessionFlags m_flags;
    bool m_running = false;
};

} // namespace vexalo

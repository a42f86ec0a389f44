// The program on the pass-through port, speaking the Q7's own protocol as if it had the radio to
// itself: only the radio's readings and settings reach the radio; the report-mode and link
// commands ("AI2;", "q70;" ...) are answered here, each program's setting kept, and anything else
// "?;", as the radio answers what it does not know. What Vexalo answers itself goes at the radio's
// pace: a program far ahead of it is flooding, as one is whose commands for the radio pile up.
// Pure; the sharing layer carries the bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexalo {

class CatSession {
public:
    class Peer {
    public:
        virtual ~Peer() = default;
        virtual void write(std::string_view bytes) = 0; // to the program
        // To the radio, behind the other clients' commands; false when the backlog is full.
        virtual bool send(std::uint64_t tag, std::string command) = 0;
        // The program switched the radio's reports on or off for itself.
        virtual void reportsWanted(bool wanted) = 0;
        virtual std::chrono::steady_clock::time_point now() const
        {
            return std::chrono::steady_clock::now();
        }
    };

    // Longer than any command; a stream without ';' is cut here and answered "?;".
    static constexpr std::size_t kMaxCommand = 64;
    // Commands Vexalo handles itself (answered, ignored or refused) take this long each, about
    // what the radio takes to answer one; a program may be this many of them ahead.
    static constexpr std::chrono::milliseconds kOwnPace { 20 };
    static constexpr int kOwnAhead = 32;

    explicit CatSession(Peer &peer) : m_peer(peer) { }

    enum class Fed { Taken, Flooding };
    Fed receive(std::string_view bytes);

    // The radio's answer to one of this program's commands.
    void answered(std::string_view reply) { m_peer.write(reply); }
    // A report of the radio's own; passed on while the program has reports on.
    void reported(std::string_view reply);

    bool wantsReports() const { return m_reports != '0'; }

private:
    // False when the command could not be queued or the program is too far ahead.
    bool command(std::string_view text);
    // Vexalo's own answer, if any, to a command it handles itself; false when the program is
    // too far ahead.
    bool ownAnswer(std::string_view answer);

    Peer &m_peer;
    std::string m_partial;
    bool m_discarding = false;
    char m_reports = '0'; // its "AI" digit
    char m_identLevel = '0'; // its "Q7" digit
    std::uint64_t m_tag = 0;
    std::chrono::steady_clock::time_point m_ownBusyUntil {}; // the commands handled so far
};

} // namespace vexalo

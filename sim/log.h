// The simulator's record of the conversation: every command received, every reply sent, every
// scenario event and the port being opened and closed, one line each with the seconds since start,
// flushed as it is written so that another process can follow it live. Relies only on the C
// standard I/O.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace q7sim {

using Clock = std::chrono::steady_clock;

// Printable ASCII stays as it is; every other byte, and the backslash itself so that the
// record can be read back without ambiguity, is written as \xHH.
std::string escapeText(std::string_view text);

class Log {
public:
    explicit Log(Clock::time_point start) : m_start(start) { }
    ~Log();
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // "-" writes to standard output, an empty target writes nothing. False if the file
    // cannot be opened.
    bool open(const std::string &target);

    void command(std::string_view text) { line("cmd", text); }
    void reply(std::string_view text) { line("reply", text); }
    void event(std::string_view text) { line("event", text); }
    // "open" when a program opens the port, "closed" when the last one has closed it.
    void port(std::string_view state) { line("port", state); }

private:
    void line(std::string_view kind, std::string_view text);

    Clock::time_point m_start;
    std::FILE *m_file = nullptr;
    bool m_ownsFile = false;
};

} // namespace q7sim

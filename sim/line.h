// The radio's end of the serial line: a pseudo-terminal whose other end a program opens by a
// symbolic link. Holds its own descriptor of the far end so the line outlives the program's
// closes and reopens, sends at the pace of 4800 baud unless told not to, and, like a real
// port, lets nothing sent while the port is closed reach the next program that opens it.
#pragma once

#include "log.h"

#include <deque>
#include <optional>
#include <string>

namespace q7sim {

class Line {
public:
    Line(bool paced, Log &log) : m_paced(paced), m_log(log) { }
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    // Creates the pseudo-terminal and, when linkPath is not empty, the link to it. An existing
    // symbolic link is replaced (a stale one from an earlier run); any other file is refused.
    bool open(const std::string &linkPath, std::string &error);
    const std::string &deviceName() const { return m_device; }

    int masterFd() const { return m_master; }
    int watchFd() const { return m_watch; }
    // After the line reported a hang-up it is left out of polling for a moment, so a broken
    // line cannot make the loop spin.
    bool readable(Clock::time_point now) const { return now >= m_quietUntil; }
    bool waitingToWrite() const { return m_blocked; }

    std::string read(Clock::time_point now);
    // Takes note of the program opening and closing its end.
    void readWatch();

    void queue(std::string text, Clock::time_point due);
    // Forgets everything not yet started; a text already on its way is finished.
    void dropUnsent();
    void flush(Clock::time_point now);
    std::optional<Clock::time_point> nextWake() const;

private:
    struct Pending {
        std::string text;
        Clock::time_point due;
        std::optional<Clock::time_point> start;
        std::size_t sent = 0;
    };

    bool listening() const { return m_watch < 0 || m_listeners > 0; }
    void removeLink();

    bool m_paced;
    Log &m_log;
    int m_master = -1;
    int m_slave = -1;
    int m_watch = -1;
    int m_listeners = 0;
    std::string m_device;
    std::string m_link;
    std::deque<Pending> m_queue;
    Clock::time_point m_lineFree {};
    Clock::time_point m_quietUntil {};
    bool m_blocked = false;
};

} // namespace q7sim

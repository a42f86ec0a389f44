// Scenario scripts: one event a line, run in order, with `wait` putting time between them, so
// that a test or a demonstration can move the radio like an operator at its front panel.
// Parsing is strict: a script with any bad line is refused as a whole, naming the line.
#pragma once

#include "log.h"
#include "radio.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace q7sim {

struct ScriptEvent {
    enum class Kind { Change, Silent, Speak, Send };
    Kind kind = Kind::Change;
    Change change;
    std::string text; // Send: the bytes to send
    double at = 0; // seconds after the script starts
    std::string source; // the line as written, for the log
};

struct ScriptParse {
    std::vector<ScriptEvent> events;
    std::string error; // "line N: ..." when the script was refused
};

ScriptParse parseScript(std::istream &in);

// Hands out the events whose time has come, once the script has been started.
class ScriptRunner {
public:
    explicit ScriptRunner(std::vector<ScriptEvent> events) : m_events(std::move(events)) { }

    void start(Clock::time_point now);
    bool started() const { return m_start.has_value(); }
    std::vector<ScriptEvent> due(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;

private:
    Clock::time_point timeOf(const ScriptEvent &event) const;

    std::vector<ScriptEvent> m_events;
    std::size_t m_next = 0;
    std::optional<Clock::time_point> m_start;
};

// The --help text on the script format.
extern const char *const scriptHelp;

} // namespace q7sim

// The reply interpreter. `interpret` is a pure function: the recorded radio state, one complete
// reply and what is known around it (asked or not, the Info query, the two window inputs) give
// the next recorded state, the announcement as a value and the effects the reply has. It finds
// the reply's family by its two-letter prefix and never speaks, sends or touches the window.
// `Interpreter` keeps the recorded state for the run and is the one place that changes it.
#pragma once

#include "announcement.h"
#include "radio_state.h"

#include <string_view>
#include <utility>

namespace vexalo {

// What the interpreter reads besides the state and the reply.
struct ReplyContext {
    bool asked = false; // the reply answers a query
    bool info = false; // ... and that query is Info
    bool fullAuto = false; // the "Full Auto" check mark
    bool lockChecked = false; // the lock check box
};

// Normal: the reply is done with, and a query it answers is answered. Quiet: a band-change
// burst recorded it silently, and a query still waiting stays outstanding.
enum class End { Normal, Quiet };

// A status report handled on its normal path pauses the lock poll and resumes it at the end
// when the lock box is checked.
struct LockPollEffect {
    bool pause = false;
    bool resume = false;

    friend bool operator==(const LockPollEffect &, const LockPollEffect &) = default;
};

struct Outcome {
    RadioState state;
    Announcement announcement;
    End end = End::Normal;
    LockPollEffect lockPoll;
};

Outcome interpret(RadioState state, std::string_view reply, const ReplyContext &context);

// The RIT/XIT command's words, from the RIT/XIT state as the last status report left it.
Announcement ritXitReadout(const RadioState &state);

class Interpreter {
public:
    // Starts from what was recorded before (nothing, at program start).
    explicit Interpreter(RadioState state = {}) : m_state(std::move(state)) { }

    // Interprets the reply against the recorded state and records the result.
    Outcome HandleReply(std::string_view reply, const ReplyContext &context);

    const RadioState &state() const { return m_state; }

    // Before identifying the radio, so that only a new identification reply counts.
    void expectRadio() { m_state.radio_found = false; }
    // A band-change burst is over whatever the radio sent: at start-up, and once the start-up
    // handshake has read the status report.
    void endBandChangeBurst() { m_state.quiet_update = false; }

private:
    RadioState m_state;
};

} // namespace vexalo

// The reply interpreter: HandleReply takes one complete reply, finds its family by the
// two-letter prefix, and lets the family decide what to say and what to record. It relies on
// the shared state, the speech unit and the window seam, and never sends anything to the radio.
// It also decides when an unasked report is stale because a newer one of the same reading is
// already waiting: the stale one is recorded silently and the newer one is spoken against what
// the operator last heard, so the recorded state is the same as if every report had been said.
#pragma once

#include "q7_globals.h"

#include <map>
#include <string>
#include <string_view>

namespace vexalo {

class Speech;
class WindowReadouts;

class Interpreter {
public:
    Interpreter(Q7Globals &globals, Speech &speech, WindowReadouts &window)
        : m_globals(globals), m_speech(speech), m_window(&window)
    {
    }

    void HandleReply(std::string_view reply);

    // Whether `reply` may be passed over in favour of a newer report of the same reading: it
    // was not asked for, no band-change burst is running and it does not start one.
    bool maySupersede(std::string_view reply) const;
    // Both replies report the same reading (the frequency of one VFO, the status, the mode...).
    static bool sameReading(std::string_view a, std::string_view b);
    // An unasked frequency report, whose announcement a newer one may cut short.
    bool interruptible(std::string_view reply) const;
    // Records a stale report exactly as HandleReply would, without a word.
    void HandleSuperseded(std::string_view reply);

    // The window is built after the interpreter that the link hands replies to.
    void setWindow(WindowReadouts &window) { m_window = &window; }

private:
    // Handles the reply on `state`; true when it ended normally (reply_pending cleared).
    bool dispatch(Q7Globals &state, std::string_view reply);

    Q7Globals &m_globals;
    Speech &m_speech;
    WindowReadouts *m_window;
    // Per reading: the state as it was when its first stale report was passed over.
    std::map<std::string, Q7Globals, std::less<>> m_heard;
};

} // namespace vexalo

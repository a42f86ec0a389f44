// The reply interpreter: HandleReply takes one complete reply, finds its family by the
// two-letter prefix, and lets the family decide what to say and what to record. It relies on
// the shared state, the speech unit and the window seam, and never sends anything to the radio.
#pragma once

#include <string_view>

namespace vexalo {

struct Q7Globals;
class Speech;
class WindowReadouts;

class Interpreter {
public:
    Interpreter(Q7Globals &globals, Speech &speech, WindowReadouts &window)
        : m_globals(globals), m_speech(speech), m_window(&window)
    {
    }

    void HandleReply(std::string_view reply);

    // The window is built after the interpreter that the link hands replies to.
    void setWindow(WindowReadouts &window) { m_window = &window; }

private:
    Q7Globals &m_globals;
    Speech &m_speech;
    WindowReadouts *m_window;
};

} // namespace vexalo

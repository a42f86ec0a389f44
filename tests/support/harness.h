// A complete interpreter on recording parts: shared state as the window's start-up leaves it,
// a clip recorder and a fake window. Tests feed replies and compare the clips heard.
#pragma once

#include "clip_recorder.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "q7_globals.h"
#include "speech.h"
#include "window_readouts.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexalo::testing {

class FakeWindow : public WindowReadouts {
public:
    bool fullAutoChecked() const override { return fullAuto; }
    int lockKeyModeValue() const override { return lock; }
    void setTimer1Enabled(bool enabled) override { timer1 = enabled; }

    bool fullAuto = false;
    int lock = 0;
    bool timer1 = false;
};

struct Harness {
    Harness()
    {
        g.reply_pending = false;
        g.info_request = false;
        g.quiet_update = false;
        g.speech_on = true;
    }

    // Hands one reply to the interpreter, asked for or not, and returns what was heard.
    Clips reply(std::string_view text, bool asked = false)
    {
        if (asked) {
            g.reply_pending = true;
        }
        interpreter.HandleReply(text);
        return sink.take();
    }

    Clips ask(std::string_view text) { return reply(text, true); }

    Q7Globals g;
    Lifecycle lifecycle;
    ClipRecorder<> sink;
    Speech speech { g, sink, &lifecycle };
    FakeWindow window;
    Interpreter interpreter { g, speech, window };
};

} // namespace vexalo::testing

// The program's reply road on recording parts: the link over a scripted radio, with its
// exchange, the interpreter, and the announcer on the clip recorder; the window's lock box is
// faked. Tests let replies arrive, ask as the operator does, and compare the clips heard.
#pragma once

#include "announcer.h"
#include "clip_recorder.h"
#include "fake_radio_port.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "settings.h"

#include <string_view>

namespace vexalo::testing {

class FakeWindow : public WindowReadouts {
public:
    bool lockChecked() const override { return lock; }

    bool lock = false;
};

// As the start-up leaves things before the radio speaks, over any port.
template <typename Port> struct LinkRig {
    LinkRig()
    {
        interpreter.endBandChangeBurst();
        announcer.unmute();
        link.setWindow(window);
    }

    // As the handshake leaves Full Auto applied: silently, and nothing of it left on the line.
    void applyFullAuto()
    {
        {
            const auto muted = announcer.mute();
            link.reportModes().apply(ReportMode::FullAuto);
        }
        port.written.clear();
    }

    Settings settings;
    Lifecycle lifecycle;
    ClipRecorder<> sink;
    Announcer announcer { sink, &lifecycle };
    Interpreter interpreter;
    FakeWindow window;
    Port port;
    Link link { settings, interpreter, announcer, port, lifecycle };
};

// Over the scripted radio, with the port open.
struct Harness : LinkRig<FakeRadioPort> {
    Harness() { port.opened = true; }

    // Input arriving on the line now; what the operator heard of it.
    Clips arrive(std::string_view input)
    {
        port.arrive(input);
        return sink.take();
    }
};

} // namespace vexalo::testing

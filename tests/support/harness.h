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

#include <QAbstractEventDispatcher>
#include <QObject>

#include <functional>
#include <string_view>

namespace vexalo::testing {

class FakeWindow : public WindowReadouts {
public:
    bool lockChecked() const override { return lock; }

    bool lock = false;
};

// How often the event loop got ready to block again once `settled` held. A wait that ends on
// the event it waits for never does; one that misses it blocks on until its time is up. Told
// apart by events alone, so a busy machine cannot make it fail.
class BlocksAfter {
public:
    explicit BlocksAfter(std::function<bool()> settled)
    {
        m_connection = QObject::connect(
            QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
            [this, settled = std::move(settled)] { m_count += settled() ? 1 : 0; });
    }
    ~BlocksAfter() { QObject::disconnect(m_connection); }
    BlocksAfter(const BlocksAfter &) = delete;
    BlocksAfter &operator=(const BlocksAfter &) = delete;

    int count() const { return m_count; }

private:
    QMetaObject::Connection m_connection;
    int m_count = 0;
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

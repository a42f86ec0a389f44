// The main window on real parts over a scripted radio: shared state as start-up leaves it, the
// speech unit on a recorder, the interpreter, the link and the handshake. Clips, writes, port
// events, menus opening and the unload signal all land in one log, in the order they happened.
#pragma once

#include "clip_recorder.h"
#include "fake_radio_port.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "q7_globals.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "speech.h"
#include "status_report.h"
#include "window_readouts.h"

#include <QMenu>
#include <QStringList>
#include <QTest>

namespace vexalo::testing {

// Logs each write as "send CMD" (with " pending" when reply_pending was already true) or
// "fail CMD", and every open and close of the port.
class LoggingRadioPort : public FakeRadioPort {
public:
    LoggingRadioPort(QStringList &log, const Q7Globals &g) : m_log(log), m_g(g) { }
    bool write(std::string_view command) override
    {
        const bool pending = m_g.reply_pending;
        const bool ok = FakeRadioPort::write(command);
        m_log << (ok ? "send " : "fail ") + QString::fromLatin1(command.data(), command.size())
                + (ok && pending ? " pending" : "");
        return ok;
    }
    bool open() override
    {
        m_log << QStringLiteral("open %1").arg(portNumber);
        return FakeRadioPort::open();
    }
    bool close() override
    {
        m_log << QStringLiteral("close");
        return FakeRadioPort::close();
    }

private:
    QStringList &m_log;
    const Q7Globals &m_g;
};

struct WindowRig {
    WindowRig()
    {
        g.reply_pending = false;
        g.info_request = false;
        g.quiet_update = false;
        g.speech_on = true;
        g.comm_port = 1;
        port.opened = true;
        interpreter.setWindow(window);
        QObject::connect(&window, &Q7Status::unloading, [this] { log << "unload"; });
        QObject::connect(&window, &Q7Status::portEntryChosen,
                         [this](int n) { log << QStringLiteral("port %1").arg(n); });
        for (QMenu *menu : window.findChildren<QMenu *>()) {
            QObject::connect(menu, &QMenu::aboutToShow,
                             [this, menu] { log << "menu " + menu->objectName(); });
        }
    }

    // Shown and active, as the operator finds it after start-up.
    bool showForKeys()
    {
        window.hideDebugControls();
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }

    template <typename T> T *child(const QString &name) { return window.findChild<T *>(name); }

    QStringList log;
    Q7Globals g;
    Lifecycle lifecycle;
    ClipRecorder<QStringList> sink { log };
    Speech speech { g, sink, &lifecycle };
    NoWindow noWindowYet;
    Interpreter interpreter { g, speech, noWindowYet };
    LoggingRadioPort port { log, g };
    Link link { g, speech, interpreter, port, lifecycle };
    RadioHandshake handshake { g, speech, link };
    Q7Status window { WindowParts { g, speech, link, handshake } };
};

} // namespace vexalo::testing

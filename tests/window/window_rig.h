// The main window on real parts over a scripted radio: settings and speech as start-up leaves
// them, the announcer on a recorder, the interpreter, the link and the handshake. Clips, writes,
// port events, menus opening and the unload signal all land in one log, in the order they
// happened.
#pragma once

#include "announcer.h"
#include "band_edges.h"
#include "clip_recorder.h"
#include "fake_radio_port.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "operator_settings.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "settings.h"
#include "status_report.h"

#include <QMenu>
#include <QStringList>
#include <QTest>

namespace vexalo::testing {

// Logs each write as "send CMD" or "fail CMD", and every open and close of the port.
class LoggingRadioPort : public FakeRadioPort {
public:
    explicit LoggingRadioPort(QStringList &log) : m_log(log) { }
    bool write(std::string_view command) override
    {
        const bool ok = FakeRadioPort::write(command);
        m_log << (ok ? "send " : "fail ") + QString::fromLatin1(command.data(), command.size());
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
};

struct WindowRig {
    WindowRig()
    {
        interpreter.endBandChangeBurst();
        announcer.unmute();
        settings.comm_port = 1;
        port.opened = true;
        link.setWindow(window);
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

    // A query is outstanding: one whose answer has not come yet.
    bool asking() { return link.exchange().anyOutstanding(); }

    QStringList log;
    Settings settings;
    Lifecycle lifecycle;
    ClipRecorder<QStringList> sink { log };
    Announcer announcer { sink, &lifecycle };
    Interpreter interpreter;
    LoggingRadioPort port { log };
    Link link { settings, interpreter, announcer, port, lifecycle };
    RadioHandshake handshake { settings, interpreter, announcer, link };
    OperatorSettings operatorSettings { link, announcer, interpreter,
                                        std::filesystem::temp_directory_path()
                                            / "vexalo-window-test.step" };
    BandEdges bandEdges { parseBandPlan("1 20m 14000 14350\n") };
    Q7Status window { WindowParts { settings, interpreter, announcer, link, handshake,
                                    operatorSettings, bandEdges } };
};

} // namespace vexalo::testing

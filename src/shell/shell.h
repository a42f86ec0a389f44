// The program's beginning and end: the start-up sequence run before the window is shown
// (settings, greeting, port, handshake), the shutdown sequence run once however the program is
// asked to end (release the radio, save the settings, say goodbye, close the port), and the
// choice of COM port from the menu. Relies on the window, the port and the handshake.
#pragma once

#include <QObject>
#include <QString>

namespace vexalo {

class Announcer;
class Interpreter;
class Lifecycle;
class Link;
class Q7Status;
class RadioHandshake;
class RadioPort;
struct Settings;

struct ShellParts {
    Settings &settings;
    Interpreter &interpreter;
    Announcer &announcer;
    RadioPort &port;
    Link &link;
    RadioHandshake &handshake;
    Q7Status &window;
    Lifecycle &lifecycle;
};

class Shell : public QObject {
    Q_OBJECT

public:
    explicit Shell(const ShellParts &parts, QString settingsPath = QStringLiteral("vexalo.ini"));

    // The start-up sequence, run once before the window is shown.
    void start();

    // Runs the shutdown sequence the first time it is called; later calls do nothing, so the
    // window closing, the Exit button and a stop signal can all lead here safely. From its
    // first step on, nothing but its own steps speaks or touches the port; `finished` follows
    // once the port is closed.
    void shutDown();

    // Setcomm1_Click .. Setcomm10_Click.
    void SelectPort(int port);

signals:
    void finished();

private:
    bool readSettings();

    ShellParts m_parts;
    QString m_settingsPath;
};

} // namespace vexalo

#include "shell.h"

#include "announcer.h"
#include "event_wait.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "logging.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "radio_port.h"
#include "settings.h"
#include "settings_file.h"

#include <chrono>
#include <string>

namespace vexalo {

namespace {

constexpr std::chrono::milliseconds kFarewellPause { 250 };
constexpr int kMenuPorts = 10;

// A persisted flag is on only when it says so: true, or the number -1 that stands for it.
bool isTrue(const SettingValue &value)
{
    return value.flag() || value.equalsNumber(-1);
}

} // namespace

Shell::Shell(const ShellParts &parts, QString settingsPath)
    : m_parts(parts), m_settingsPath(std::move(settingsPath))
{
    connect(&m_parts.window, &Q7Status::portEntryChosen, this, &Shell::SelectPort);
    connect(&m_parts.window, &Q7Status::unloading, this, &Shell::shutDown);
}

bool Shell::readSettings()
{
    Settings &g = m_parts.settings;
    bool ok = true;
    std::string content;
    SettingsFileRead read = readSettingsFile(m_settingsPath, content);
    if (read != SettingsFileRead::Read) {
        // The defaults hold whenever the file gives nothing, even when it cannot be created.
        g.comm_port = 1;
        g.report_mode = 0;
        g.greeting_on = true;
    }
    if (read == SettingsFileRead::Unreadable) {
        // Something is there that cannot be read (a folder, a pipe, a file without read
        // permission): it may hold the operator's settings, so it is not replaced by defaults.
        qCDebug(lcShell, "settings file exists but cannot be read; defaults in effect");
        return false;
    }
    if (read == SettingsFileRead::Missing) {
        ok = writeSettingsFile(m_settingsPath,
                               formatSettingsLine(g.comm_port, g.report_mode, g.greeting_on));
        read = readSettingsFile(m_settingsPath, content);
        if (read != SettingsFileRead::Read) {
            return false;
        }
    }
    const SettingsRead fields = parseSettings(content);
    SettingValue *targets[] = { &g.comm_port, &g.report_mode, &g.greeting_on };
    for (int i = 0; i < fields.count; ++i) {
        *targets[i] = fields.fields[static_cast<std::size_t>(i)];
    }
    return ok && fields.complete();
}

void Shell::start()
{
    const Settings &g = m_parts.settings;
    Q7Status &window = m_parts.window;
    RadioPort &port = m_parts.port;

    window.hideDebugControls();
    m_parts.interpreter.endBandChangeBurst();

    bool failed = !readSettings();
    m_parts.announcer.unmute();

    window.setGreetingChecked(isTrue(g.greeting_on));
    if (window.greetingChecked()) {
        m_parts.announcer.say({ "dorvaneq7" });
    }
    for (int n = 1; n <= kMenuPorts; ++n) {
        if (g.comm_port.equalsNumber(n)) {
            window.setPortChecked(n, true);
            break;
        }
    }

    failed = !port.setPortNumber(g.comm_port) || failed;
    failed = !port.configure() || failed;
    failed = !port.open() || failed;
    if (failed) {
        qCDebug(lcShell, "start-up failed; the handshake does not run");
        m_parts.announcer.say({ "q7_error" });
    } else {
        m_parts.handshake.InitRadio();
    }
    m_parts.lifecycle.setRunning();
}

void Shell::shutDown()
{
    if (m_parts.lifecycle.phase() == Lifecycle::Phase::ShuttingDown) {
        return;
    }
    m_parts.lifecycle.beginShutdown();
    const Settings &g = m_parts.settings;

    m_parts.link.release();
    if (!writeSettingsFile(m_settingsPath,
                           formatSettingsLine(g.comm_port, g.report_mode, g.greeting_on))) {
        qCDebug(lcShell, "settings could not be saved");
    }
    // Returns once the farewell has been heard to its end, so the pause counts from there.
    m_parts.announcer.farewell("73s");
    // Events still flow during the pause, but with the program stopping they neither speak
    // nor reach the port.
    waitDeliveringEvents(kFarewellPause, [] { return false; });
    m_parts.port.close();
    qCDebug(lcLink, "port closed");
    emit finished();
}

void Shell::SelectPort(int port)
{
    if (m_parts.lifecycle.stopping()) {
        return;
    }
    Q7Status &window = m_parts.window;
    window.ClearPortChecks();
    window.setPortChecked(port, true);
    m_parts.settings.comm_port = port;
    m_parts.announcer.say({ "comm", std::to_string(port) });
    m_parts.handshake.InitRadio();
}

} // namespace vexalo

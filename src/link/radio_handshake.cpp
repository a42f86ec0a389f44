#include "radio_handshake.h"

#include "commands.h"
#include "link.h"
#include "logging.h"
#include "q7_globals.h"
#include "radio_port.h"
#include "report_mode.h"
#include "report_mode_commands.h"
#include "speech.h"

namespace vexalo {

void RadioHandshake::InitRadio(ReportModeCommands &modes)
{
    if (m_link.stopping()) {
        return;
    }
    if (m_running) {
        qCDebug(lcLink, "handshake requested while one runs: it runs again afterwards");
        m_again = true;
        return;
    }
    m_running = true;
    do {
        m_again = false;
        runOnce(modes);
    } while (m_again && !m_link.stopping());
    m_running = false;
}

// True when a Q7 answered; false when none did or the program began to stop meanwhile.
bool RadioHandshake::identify()
{
    using namespace commands;
    m_globals.radio_found = false;
    if (!m_link.askAndWait(kIdentify) || !m_link.askAndWait(kIdentifyQ7Twice)) {
        return false;
    }
    if (!m_globals.radio_found && !m_link.askAndWait(kIdentifyQ7)) {
        return false;
    }
    return m_globals.radio_found;
}

void RadioHandshake::runOnce(ReportModeCommands &modes)
{
    using namespace commands;
    const auto announcement = m_speech.announce();
    RadioPort &port = m_link.port();

    bool failed = false;
    if (port.isOpen()) {
        failed = !port.close();
    }
    failed = !port.setPortNumber(m_globals.comm_port) || failed;
    if (!failed) {
        failed = !port.open();
    }
    if (failed) {
        m_speech.PlayClip("q7_error");
        return;
    }
    port.configure(); // a line without modem control rejects RTS; that is no reason to stop

    if (!identify()) {
        if (!m_link.stopping()) {
            m_speech.PlayClip("q7_error");
            port.close();
        }
        return;
    }

    m_speech.PlayClip("q7_present");
    const auto muted = m_speech.mute();
    m_link.SendCommand(kAutoInfoOffQuiet);

    // The power reply records the reply format that the status report's band test reads, and
    // the status report may start a band-change burst that must not swallow the replies after it.
    if (!m_link.askAndWait(kPrimePower) || !m_link.askAndWait(kPrimeStatus)) {
        return;
    }
    m_globals.quiet_update = false;
    for (const std::string_view command :
         { kPrimeRxVfo, kPrimeTxVfo, kPrimeKeyer, kPrimeAgc, kPrimePreamp, kPrimeAttenuator,
           kPrimeFilter, kPrimeNoiseBlanker }) {
        if (!m_link.askAndWait(command)) {
            return;
        }
    }

    if (const auto mode = reportModeOf(m_globals.report_mode)) {
        switch (*mode) {
        case ReportMode::Manual:
            modes.Manual_report_Click();
            break;
        case ReportMode::SemiAuto:
            modes.Semi_report_Click();
            break;
        case ReportMode::FullAuto:
            modes.Full_report_Click();
            break;
        }
    }
}

} // namespace vexalo

#include "radio_handshake.h"

#include "commands.h"
#include "link.h"
#include "logging.h"
#include "q7_globals.h"
#include "radio_port.h"
#include "report_mode_commands.h"
#include "speech.h"

#include <array>

namespace vexalo {

void RadioHandshake::InitRadio(ReportModeCommands &modes)
{
    if (m_running) {
        qCDebug(lcLink, "handshake requested while one runs: it runs again afterwards");
        m_again = true;
        return;
    }
    m_running = true;
    do {
        m_again = false;
        runOnce(modes);
    } while (m_again);
    m_running = false;
}

void RadioHandshake::runOnce(ReportModeCommands &modes)
{
    using namespace commands;
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

    m_globals.reply_pending = true;
    m_globals.radio_found = false;
    m_link.SendCommand(kIdentify);
    m_link.WaitReply();
    m_globals.reply_pending = true;
    m_link.SendCommand(kIdentifyQ7Twice);
    m_link.WaitReply();
    if (!m_globals.radio_found) {
        m_globals.reply_pending = true;
        m_link.SendCommand(kIdentifyQ7);
        m_link.WaitReply();
        if (!m_globals.radio_found) {
            m_speech.PlayClip("q7_error");
            port.close();
            return;
        }
    }

    m_speech.PlayClip("q7_present");
    m_globals.speech_on = false;
    m_link.SendCommand(kAutoInfoOffQuiet);

    // The power reply records the reply format that the status report's band test reads, and
    // the status report may start a band-change burst that must not swallow the replies after it.
    const auto await = [this](std::string_view command) {
        m_globals.reply_pending = true;
        m_link.SendCommand(command);
        m_link.WaitReply();
    };
    await(kPrimePower);
    await(kPrimeStatus);
    m_globals.quiet_update = false;
    for (const std::string_view command :
         { kPrimeRxVfo, kPrimeTxVfo, kPrimeKeyer, kPrimeAgc, kPrimePreamp, kPrimeAttenuator,
           kPrimeFilter, kPrimeNoiseBlanker }) {
        await(command);
    }

    const SettingValue &mode = m_globals.report_mode;
    if (mode.equalsNumber(0)) {
        modes.Manual_report_Click();
    } else if (mode.equalsNumber(1)) {
        modes.Semi_report_Click();
    } else if (mode.equalsNumber(3)) {
        modes.Full_report_Click();
    }
    m_globals.speech_on = true;
}

} // namespace vexalo

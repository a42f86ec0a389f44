#include "radio_handshake.h"

#include "announcer.h"
#include "commands.h"
#include "interpreter.h"
#include "link.h"
#include "logging.h"
#include "radio_port.h"
#include "settings.h"

namespace vexalo {

namespace {

// A failed write goes on to the next step as if sent; only a stop ends the handshake there.
bool waited(Link::Asked asked)
{
    return asked != Link::Asked::Stopping;
}

} // namespace

void RadioHandshake::InitRadio()
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
    // A client's command must not meet the identification, which takes any reply, nor the
    // port while it is reopened; the clients wait their turn until the handshake is over.
    const auto held = m_link.holdClients();
    do {
        m_again = false;
        runOnce();
    } while (m_again && !m_link.stopping());
    m_running = false;
}

// True when a Q7 answered; false when none did or the program began to stop meanwhile.
bool RadioHandshake::identify()
{
    using namespace commands;
    const auto found = [this] { return m_interpreter.state().radio_found.get(); };
    m_interpreter.expectRadio();
    if (!waited(m_link.askAndWait(kIdentify)) || !waited(m_link.askAndWait(kIdentifyQ7Twice))) {
        return false;
    }
    if (!found() && !waited(m_link.askAndWait(kIdentifyQ7))) {
        return false;
    }
    return found();
}

void RadioHandshake::runOnce()
{
    using namespace commands;
    RadioPort &port = m_link.port();

    bool failed = false;
    if (port.isOpen()) {
        failed = !port.close();
    }
    failed = !port.setPortNumber(m_settings.comm_port) || failed;
    if (!failed) {
        failed = !port.open();
    }
    if (failed) {
        m_announcer.say({ "q7_error" });
        return;
    }
    port.configure(); // a line without modem control rejects RTS; that is no reason to stop

    if (!identify()) {
        if (!m_link.stopping()) {
            m_announcer.say({ "q7_error" });
            port.close();
        }
        return;
    }

    m_announcer.say({ "q7_present" });
    const auto muted = m_announcer.mute();
    m_link.reportModes().quietForHandshake();

    // The power reply records the reply format that the status report's band test reads, and
    // the status report may start a band-change burst that must not swallow the replies after it.
    if (!waited(m_link.askAndWait(kPrimePower)) || !waited(m_link.askAndWait(kPrimeStatus))) {
        return;
    }
    m_interpreter.endBandChangeBurst();
    for (const std::string_view command :
         { kPrimeRxVfo, kPrimeTxVfo, kPrimeKeyer, kPrimeAgc, kPrimePreamp, kPrimeAttenuator,
           kPrimeFilter, kPrimeNoiseBlanker }) {
        if (!waited(m_link.askAndWait(command))) {
            return;
        }
    }

    m_link.reportModes().applyStored();
}

} // namespace vexalo

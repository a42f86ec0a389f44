#include "smeter_tone.h"

#include "announcer.h"
#include "commands.h"
#include "link.h"
#include "logging.h"
#include "reply.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vexalo {

namespace {

// Decibels above S0 of each bar value, as its words say it (S unit 6 dB; "9 plus" alone, the
// top of the bar, counted as S9+60).
constexpr std::array<double, 12> kDecibels { 0, 6, 12, 18, 30, 42, 54, 64, 74, 84, 94, 114 };

} // namespace

SMeterTone::SMeterTone(Link &link, Announcer &announcer) : m_link(link), m_announcer(announcer)
{
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &SMeterTone::poll);
}

double SMeterTone::pitchOf(long bar)
{
    if (bar > 11) {
        bar -= 12;
    }
    const double decibels = kDecibels[static_cast<std::size_t>(std::clamp(bar, 0L, 11L))];
    return kLowestHertz * std::pow(kHighestHertz / kLowestHertz, decibels / kDecibels.back());
}

void SMeterTone::toggle()
{
    if (on()) {
        switchOff();
        m_announcer.say({ "tone", "off" });
        return;
    }
    // On before it is said, so that Escape while it is said stops it.
    m_unanswered = 0;
    m_poll.start();
    m_announcer.say({ "tone", "on" });
    if (on()) {
        // The rhythm counts from the first poll, not from the words.
        m_poll.start();
        poll();
    }
}

void SMeterTone::stop()
{
    if (on()) {
        switchOff();
    }
}

void SMeterTone::switchOff()
{
    m_poll.stop();
    m_announcer.setTone(0);
}

void SMeterTone::poll()
{
    if (!on()) {
        return;
    }
    if (m_link.stopping()) {
        switchOff();
        return;
    }
    // The handshake identifies the radio by any reply: no reading may meet it. The tone holds
    // its last pitch until the radio is found again.
    if (m_link.clients().held()) {
        return;
    }
    // A failed write has said so already; a radio that stopped answering has not.
    if (m_unanswered >= kUnansweredLimit
        || m_link.ask(commands::kSMeter, Exchange::Kind::Meter) == 0) {
        qCDebug(lcLink, "S-meter tone: no answer, off");
        switchOff();
        m_announcer.say({ "tone", "off" });
        return;
    }
    ++m_unanswered;
}

void SMeterTone::meterRead(std::string_view reply)
{
    m_unanswered = 0;
    if (on()) {
        m_announcer.setTone(pitchOf(Reply(reply).number(3, 2)));
    }
}

} // namespace vexalo

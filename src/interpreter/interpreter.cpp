#include "interpreter.h"

#include "families.h"
#include "logging.h"
#include "speech.h"

#include <array>
#include <utility>

namespace vexalo {

namespace {

using namespace interpreter;

// What the operator has heard of a reading lives in the recorded values its family compares
// with; these are put back from before the stale reports when the newest one is spoken.
using Restore = void (*)(Q7Globals &to, const Q7Globals &heard);

struct Family {
    std::string_view prefix;
    Handler handler;
    Restore restore; // null: never passed over
};

// Searched in this order; the first prefix that matches, exactly and case-sensitively, wins.
constexpr std::array<Family, 15> kFamilies { {
    { "IF", &handleStatus,
      [](Q7Globals &to, const Q7Globals &h) {
          to.last_mode = h.last_mode;
          to.rit_state = h.rit_state;
          to.xit_state = h.xit_state;
      } },
    { "BG", &handleSMeter, [](Q7Globals &, const Q7Globals &) {} },
    { "FA", &handleFrequencyA,
      [](Q7Globals &to, const Q7Globals &h) { to.last_freq_a = h.last_freq_a; } },
    { "FB", &handleFrequencyB,
      [](Q7Globals &to, const Q7Globals &h) { to.last_freq_b = h.last_freq_b; } },
    { "FR", &handleRxVfo, [](Q7Globals &to, const Q7Globals &h) { to.rx_vfo = h.rx_vfo; } },
    { "FT", &handleTxVfo, [](Q7Globals &to, const Q7Globals &h) { to.split_on = h.split_on; } },
    { "FW", &handleFilter,
      [](Q7Globals &to, const Q7Globals &h) { to.last_filter = h.last_filter; } },
    { "GT", &handleAgc, [](Q7Globals &to, const Q7Globals &h) { to.last_agc = h.last_agc; } },
    { "Q7", &handleIdentification, nullptr },
    { "KS", &handleKeyer, [](Q7Globals &to, const Q7Globals &h) { to.last_speed = h.last_speed; } },
    { "MD", &handleMode, [](Q7Globals &to, const Q7Globals &h) { to.last_mode = h.last_mode; } },
    { "NB", &handleNoiseBlanker,
      [](Q7Globals &to, const Q7Globals &h) {
          to.last_nb = h.last_nb;
          to.last_nb_level = h.last_nb_level;
      } },
    { "PA", &handlePreamp,
      [](Q7Globals &to, const Q7Globals &h) { to.preamp_off = h.preamp_off; } },
    { "PC", &handlePower, [](Q7Globals &to, const Q7Globals &h) { to.last_power = h.last_power; } },
    { "RA", &handleAttenuator, [](Q7Globals &to, const Q7Globals &h) { to.att_on = h.att_on; } },
} };

const Family *familyOf(std::string_view reply)
{
    const std::string_view prefix = reply.substr(0, 2);
    for (const Family &family : kFamilies) {
        if (prefix == family.prefix) {
            return &family;
        }
    }
    return nullptr;
}

} // namespace

bool Interpreter::dispatch(Q7Globals &state, std::string_view text)
{
    Context context { state, m_speech, *m_window };
    End end = End::Normal;
    if (const Family *family = familyOf(text)) {
        end = family->handler(context, Reply(text));
    }
    if (end == End::Normal) {
        state.reply_pending = false;
    }
    return end == End::Normal;
}

void Interpreter::HandleReply(std::string_view text)
{
    const Family *family = familyOf(text);
    const auto heard = family ? m_heard.find(family->prefix) : m_heard.end();
    bool normal;
    if (heard == m_heard.end()) {
        normal = dispatch(m_globals, text);
    } else {
        // Said against what the operator last heard, then recorded on the real state in
        // silence, so that what is recorded never depends on what was passed over.
        Q7Globals spoken = m_globals;
        family->restore(spoken, heard->second);
        m_heard.erase(heard);
        dispatch(spoken, text);
        const auto muted = m_speech.mute();
        normal = dispatch(m_globals, text);
    }
    qCDebug(lcInterpreter, "reply %.*s -> %s", static_cast<int>(text.size()), text.data(),
            normal ? "done" : "quiet");
}

bool Interpreter::maySupersede(std::string_view text) const
{
    const Family *family = familyOf(text);
    if (!family || !family->restore || m_globals.reply_pending || m_globals.quiet_update) {
        return false;
    }
    return family->prefix != "IF" || !isBandChange(m_globals, Reply(text));
}

bool Interpreter::sameReading(std::string_view a, std::string_view b)
{
    const Family *family = familyOf(a);
    return family && family->restore && family == familyOf(b);
}

bool Interpreter::interruptible(std::string_view text) const
{
    const std::string_view prefix = text.substr(0, 2);
    return !m_globals.reply_pending && (prefix == "FA" || prefix == "FB");
}

void Interpreter::HandleSuperseded(std::string_view text)
{
    if (const Family *family = familyOf(text)) {
        m_heard.try_emplace(std::string(family->prefix), m_globals);
    }
    const auto muted = m_speech.mute();
    const bool normal = dispatch(m_globals, text);
    qCDebug(lcInterpreter, "reply %.*s -> %s", static_cast<int>(text.size()), text.data(),
            normal ? "stale" : "stale, quiet");
}

} // namespace vexalo

// Status report "IF": frequency, RIT/XIT offset and switches, mode, receive VFO, split and the
// band-change flag in one line. A band change starts the quiet burst that "NB" ends; otherwise
// the report speaks what was asked for or what changed, with the lock poll paused meanwhile.
#include "families.h"
#include "mode_table.h"
#include "q7_globals.h"
#include "speech.h"
#include "window_readouts.h"

namespace vexalo::interpreter {

namespace {

// Positions in the report (1-based, counted from the 'I').
constexpr int kFrequency = 3; // eleven digits of hertz
constexpr int kHundredsOfMhz = 5;
constexpr int kTensOfMhz = 6;
constexpr int kOffset = 19; // sign and four digits
constexpr int kRit = 24;
constexpr int kXit = 25;
constexpr int kMode = 30;
constexpr int kRxVfo = 31;
constexpr int kSplit = 33;
constexpr int kBandChanged = 34;

void announceBand(Speech &speech, const Reply &r)
{
    if (isNonZeroDigit(r.at(kHundredsOfMhz))) {
        speech.PlayClip(r.at(kHundredsOfMhz));
    }
    if (isNonZeroDigit(r.at(kTensOfMhz))) {
        speech.PlayClip(r.field(kTensOfMhz, 2));
    } else {
        speech.PlayClip(r.at(kTensOfMhz + 1));
        speech.PlayClip("pt");
        speech.PlayClip(r.at(kTensOfMhz + 2));
    }
}

// RIT or XIT: spoken when asked for or changed. A switch that is off is worth mentioning only
// as news: asked for, it is left out; on, its name is followed by sayOn. Returns the new state.
template <typename SayOn>
long announceSwitch(Speech &speech, std::string_view name, long now, long before, bool asked,
                    SayOn sayOn)
{
    if (asked || now != before) {
        if (now != 0) {
            speech.PlayClip(name);
            sayOn();
        } else if (!asked) {
            speech.PlayClip(name);
            speech.PlayClip("off");
        }
    }
    return now;
}

} // namespace

bool isBandChange(const Q7Globals &g, const Reply &r)
{
    // With the older firmware, known by its short power reply, a change of the whole megahertz
    // also counts as a band change; otherwise the radio's own flag decides.
    const bool mhzMoved
        = g.firmware_format == PowerForm::Short && r.field(kFrequency, 5) != g.last_mhz.get();
    return mhzMoved || r.at(kBandChanged) == "1";
}

End handleStatus(Context &c, const Reply &r)
{
    Q7Globals &g = c.g;
    if (isBandChange(g, r)) {
        g.quiet_update = true;
    }
    g.last_mhz = r.field(kFrequency, 5);

    const std::string offset = r.field(kOffset, 5);
    if (g.quiet_update) {
        announceBand(c.speech, r);
        g.rx_vfo = r.at(kRxVfo);
        g.last_mode = r.at(kMode);
        g.rit_state = r.number(kRit, 1);
        g.xit_state = r.number(kXit, 1);
        g.rit_offset = offset;
        return End::Quiet;
    }

    // A lock poll answered in the middle of this announcement would be spoken over it.
    c.window.setTimer1Enabled(false);
    const bool asked = g.reply_pending;

    g.rx_vfo = r.at(kRxVfo);
    if (asked) {
        c.speech.SayNumber(r.field(kFrequency, 10));
        c.speech.PlayClip(rxVfoLetter(g));
    }
    if (r.number(kSplit, 1) == 1 && g.info_request) {
        c.speech.PlayClip("split");
    }

    const std::string mode = r.at(kMode);
    if (asked || mode != g.last_mode.get()) {
        sayMode(c.speech, mode);
    }
    g.last_mode = mode;

    g.rit_state = announceSwitch(c.speech, "rit", r.number(kRit, 1), g.rit_state.get(), asked,
                                 [&] { c.speech.SayOffset(offset); });
    // RIT and XIT share one offset; when RIT has just spoken it, XIT only says it is on.
    g.xit_state = announceSwitch(c.speech, "xit", r.number(kXit, 1), g.xit_state.get(), asked, [&] {
        if (g.rit_state.get() == 1) {
            c.speech.PlayClip("on");
        } else {
            c.speech.SayOffset(offset);
        }
    });

    g.rit_offset = offset;
    if (c.window.lockKeyModeValue() == 1) {
        c.window.setTimer1Enabled(true);
    }
    return End::Normal;
}

} // namespace vexalo::interpreter

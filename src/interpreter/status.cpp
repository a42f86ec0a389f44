// Status report "IF": frequency, RIT/XIT offset and switches, mode, receive VFO, split and the
// band-change flag in one line. A band change starts the quiet burst that "NB" ends; otherwise
// the report says what was asked for or what changed, with the lock poll paused meanwhile.
// The RIT/XIT command's own words are here too, so that both speak RIT and XIT alike.
#include "families.h"
#include "number_speech.h"

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

Clips bandClips(const Reply &r)
{
    Clips clips;
    if (isNonZeroDigit(r.at(kHundredsOfMhz))) {
        clips.push_back(r.at(kHundredsOfMhz));
    }
    if (isNonZeroDigit(r.at(kTensOfMhz))) {
        clips.push_back(r.field(kTensOfMhz, 2));
    } else {
        clips.insert(clips.end(), { r.at(kTensOfMhz + 1), "pt", r.at(kTensOfMhz + 2) });
    }
    return clips;
}

// RIT or XIT: spoken when asked for or changed. A switch that is off is worth mentioning only
// as news: asked for, it is left out; on, its name is followed by whenOn.
Clips switchClips(std::string_view name, long now, long before, bool asked, const Clips &whenOn)
{
    Clips clips;
    if (asked || now != before) {
        if (now != 0) {
            clips.emplace_back(name);
            clips.insert(clips.end(), whenOn.begin(), whenOn.end());
        } else if (!asked) {
            clips = { std::string(name), "off" };
        }
    }
    return clips;
}

// With the older firmware, known by its short power reply, a change of the whole megahertz
// also counts as a band change; otherwise the radio's own flag decides.
bool isBandChange(const RadioState &s, const Reply &r)
{
    const bool mhzMoved
        = s.firmware_format == PowerForm::Short && r.field(kFrequency, 5) != s.last_mhz.get();
    return mhzMoved || r.at(kBandChanged) == "1";
}

} // namespace

End handleStatus(Turn &t, const Reply &r)
{
    RadioState &s = t.s;
    if (isBandChange(s, r)) {
        s.quiet_update = true;
    }
    s.last_mhz = r.field(kFrequency, 5);

    const std::string offset = r.field(kOffset, 5);
    if (s.quiet_update) {
        t.say.origin = Origin::BandChange;
        t.say.add(Reading::Band, bandClips(r));
        s.rx_vfo = r.at(kRxVfo);
        recordHertz(vfoNumber(s.rx_vfo) == 0 ? s.freq_a : s.freq_b, r, kFrequency);
        s.last_mode = r.at(kMode);
        s.rit_state = r.number(kRit, 1);
        s.xit_state = r.number(kXit, 1);
        s.rit_offset = offset;
        return End::Quiet;
    }

    // A lock poll answered in the middle of this announcement would be spoken over it.
    t.lockPoll.pause = true;
    const bool asked = t.asked();

    s.rx_vfo = r.at(kRxVfo);
    recordHertz(vfoNumber(s.rx_vfo) == 0 ? s.freq_a : s.freq_b, r, kFrequency);
    if (asked) {
        t.say.add(sayFrequency(vfoNumber(s.rx_vfo) == 0 ? Reading::FrequencyA : Reading::FrequencyB,
                               r.field(kFrequency, 10), rxVfoLetter(s)));
    }
    if (r.number(kSplit, 1) == 1 && t.context.info) {
        t.say.add(Reading::Split, "split");
    }

    const std::string mode = r.at(kMode);
    if (const std::string_view clip = modeClip(mode);
        !clip.empty() && (asked || mode != s.last_mode.get())) {
        t.say.add(Reading::Mode, clip);
    }
    s.last_mode = mode;

    const long rit = r.number(kRit, 1);
    t.say.add(Reading::Rit, switchClips("rit", rit, s.rit_state.get(), asked, sayOffset(offset)));
    s.rit_state = rit;
    // RIT and XIT share one offset; when RIT has just spoken it, XIT only says it is on.
    const long xit = r.number(kXit, 1);
    t.say.add(Reading::Xit,
              switchClips("xit", xit, s.xit_state.get(), asked,
                          rit == 1 ? Clips { "on" } : sayOffset(offset)));
    s.xit_state = xit;

    s.rit_offset = offset;
    t.lockPoll.resume = t.context.lockChecked;
    return End::Normal;
}

} // namespace vexalo::interpreter

namespace vexalo {

Announcement ritXitReadout(const RadioState &s)
{
    Announcement a;
    a.origin = Origin::Answer;
    const long rit = s.rit_state;
    const long xit = s.xit_state;
    if (rit == 0 && xit == 0) {
        a.add(Reading::Rit, "rit");
        a.add(Reading::Xit, Clips { "xit", "off" });
        return a;
    }
    // The shared offset follows the last switch named.
    if (rit == 1) {
        a.add(Reading::Rit, "rit");
    }
    if (xit == 1) {
        a.add(Reading::Xit, "xit");
    }
    a.add(xit == 1 ? Reading::Xit : Reading::Rit, sayOffset(s.rit_offset.get()));
    return a;
}

} // namespace vexalo

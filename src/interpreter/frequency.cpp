// VFO frequency replies "FA" and "FB": the prefix, eleven digits of hertz, ';'.
#include "families.h"
#include "q7_globals.h"
#include "speech.h"
#include "window_readouts.h"

#include <algorithm>

namespace vexalo::interpreter {

namespace {

// The seven digits from tens of megahertz down to tens of hertz: the first seven of the last
// nine characters, so that a longer reply still keys on the digits just before the units.
std::string changeKey(const Reply &r)
{
    const std::string_view text = r.text();
    const std::string_view lastNine
        = text.substr(text.size() - std::min<std::size_t>(9, text.size()));
    return std::string(lastNine.substr(0, 7));
}

End handleFrequency(Context &c, const Reply &r, Maybe<std::string> &last, long vfo,
                    std::string_view letter)
{
    const std::string key = changeKey(r);
    if (c.g.quiet_update) {
        last = key;
        return End::Quiet;
    }
    const bool announce = c.g.reply_pending
        || (vfoNumber(c.g.rx_vfo) == vfo && c.window.fullAutoChecked() && key != last.get());
    if (announce) {
        c.speech.SayNumber(r.field(3, 10));
        if (c.g.reply_pending) {
            c.speech.PlayClip(letter);
        }
    }
    last = key;
    return End::Normal;
}

} // namespace

End handleFrequencyA(Context &c, const Reply &r)
{
    return handleFrequency(c, r, c.g.last_freq_a, 0, "a");
}

End handleFrequencyB(Context &c, const Reply &r)
{
    return handleFrequency(c, r, c.g.last_freq_b, 1, "b");
}

} // namespace vexalo::interpreter

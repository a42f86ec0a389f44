// VFO frequency replies "FA" and "FB": the prefix, eleven digits of hertz, ';'.
#include "families.h"
#include "number_speech.h"

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

End handleFrequency(Turn &t, const Reply &r, Maybe<std::string> &last, long vfo, Reading reading,
                    std::string_view letter)
{
    const std::string key = changeKey(r);
    if (t.s.quiet_update) {
        last = key;
        return End::Quiet;
    }
    const bool announce
        = t.asked() || (vfoNumber(t.s.rx_vfo) == vfo && t.context.fullAuto && key != last.get());
    if (announce) {
        t.say.add(sayFrequency(reading, r.field(3, 10), t.asked() ? letter : std::string_view()));
    }
    last = key;
    return End::Normal;
}

} // namespace

End handleFrequencyA(Turn &t, const Reply &r)
{
    return handleFrequency(t, r, t.s.last_freq_a, 0, Reading::FrequencyA, "a");
}

End handleFrequencyB(Turn &t, const Reply &r)
{
    return handleFrequency(t, r, t.s.last_freq_b, 1, Reading::FrequencyB, "b");
}

} // namespace vexalo::interpreter

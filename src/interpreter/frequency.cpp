// VFO frequency replies "FA" and "FB": the prefix, eleven digits of hertz, ';'.
#include "families.h"
#include "number_speech.h"

#include <algorithm>
#include <charconv>

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

// Of two change keys, the first five digits end at the kilohertz and the first four at the ten
// kilohertz; from a frequency not yet known nothing is crossed.
Crossing crossing(std::string_view before, std::string_view after)
{
    constexpr std::size_t kToKilohertz = 5;
    if (before.size() != after.size() || before.size() < kToKilohertz) {
        return Crossing::None;
    }
    if (before.substr(0, kToKilohertz - 1) != after.substr(0, kToKilohertz - 1)) {
        return Crossing::TenKilohertz;
    }
    return before[kToKilohertz - 1] != after[kToKilohertz - 1] ? Crossing::Kilohertz
                                                               : Crossing::None;
}

End handleFrequency(Turn &t, const Reply &r, Maybe<std::string> &last, Maybe<long long> &hertz,
                    long vfo, Reading reading, std::string_view letter)
{
    const std::string key = changeKey(r);
    recordHertz(hertz, r, 3);
    if (t.s.quiet_update) {
        last = key;
        return End::Quiet;
    }
    const bool announce
        = t.asked() || (vfoNumber(t.s.rx_vfo) == vfo && t.context.fullAuto && key != last.get());
    if (announce) {
        Part part = sayFrequency(reading, r.field(3, 10), t.asked() ? letter : std::string_view());
        if (!t.asked()) {
            part.crossed = crossing(last.get(), key);
        }
        t.say.add(std::move(part));
    }
    last = key;
    return End::Normal;
}

} // namespace

void recordHertz(Maybe<long long> &recorded, const Reply &r, int pos)
{
    const std::string field = r.field(pos, 11);
    long long hz = 0;
    if (field.size() == 11
        && std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })
        && std::from_chars(field.data(), field.data() + field.size(), hz).ec == std::errc()) {
        recorded = hz;
    } else {
        recorded.clear();
    }
}

End handleFrequencyA(Turn &t, const Reply &r)
{
    return handleFrequency(t, r, t.s.last_freq_a, t.s.freq_a, 0, Reading::FrequencyA, "a");
}

End handleFrequencyB(Turn &t, const Reply &r)
{
    return handleFrequency(t, r, t.s.last_freq_b, t.s.freq_b, 1, Reading::FrequencyB, "b");
}

} // namespace vexalo::interpreter

// Filter reply "FW": bandwidth in hertz at positions 3-6, filter number at position 7. Only a
// new filter number is news; the bandwidth is spoken along with it, in words a listener takes in
// at once ("2", "thousand", "hz"; "15", "hundred", "hz"; "2", "hundred", "50", "hz").
#include "families.h"

#include <array>
#include <utility>

namespace vexalo::interpreter {

namespace {

Clips filterNumber(std::string_view n)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kFilters { {
        { "1", "fl1" },
        { "2", "fl2" },
        { "3", "fl3" },
        { "4", "fl4" },
    } };
    for (const auto &[digit, clip] : kFilters) {
        if (n == digit) {
            return { std::string(clip) };
        }
    }
    return {};
}

Clips bandwidth(const Reply &r)
{
    const std::string b = r.field(3, 4);
    if (b == "2000" || b == "1000") {
        return { b.substr(0, 1), "thousand", "hz" };
    }
    if (b == "0000") {
        return { "0", "hz" };
    }
    Clips clips;
    const std::string hundreds = r.field(3, 2);
    const std::string rest = r.field(5, 2);
    if (isNonZeroDigit(r.at(3))) {
        if (hundreds == "10" || hundreds == "20") {
            clips = { hundreds.substr(0, 1), "thousand" };
        } else {
            clips = { hundreds, "hundred" };
        }
    } else if (isNonZeroDigit(r.at(4))) {
        clips = { r.at(4), "hundred" };
    }
    if (rest != "00") {
        clips.push_back(rest);
    }
    clips.emplace_back("hz");
    return clips;
}

} // namespace

End handleFilter(Turn &t, const Reply &r)
{
    const std::string n = r.at(7);
    if (t.s.quiet_update) {
        t.s.last_filter = n;
        return End::Quiet;
    }
    if (!t.asked() && n == t.s.last_filter.get()) {
        return End::Normal;
    }
    t.s.last_filter = n;
    t.say.add(Reading::Filter, filterNumber(n));
    t.say.add(Reading::Filter, bandwidth(r));
    return End::Normal;
}

} // namespace vexalo::interpreter

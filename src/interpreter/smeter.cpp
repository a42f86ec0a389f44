// S-meter reply "BG": the bar-graph value at positions 3-4, spoken as S units on every reply,
// asked or not and changed or not. A value from 12 up is read 12 lower.
#include "families.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vexalo::interpreter {

namespace {

// Clips after "s" for bar values 0 to 11; the last row also serves every value beyond.
const std::array<std::vector<std::string_view>, 12> kSUnits { {
    { "0" },
    { "1" },
    { "2" },
    { "3" },
    { "5" },
    { "7" },
    { "9" },
    { "9", "plus", "10" },
    { "9", "plus", "20" },
    { "9", "plus", "30" },
    { "9", "plus", "40" },
    { "9", "plus" },
} };

} // namespace

End handleSMeter(Turn &t, const Reply &r)
{
    long bar = r.number(3, 2);
    if (bar > 11) {
        bar -= 12;
    }
    Clips clips { "s" };
    if (bar >= 0) {
        for (const std::string_view clip : kSUnits[static_cast<std::size_t>(std::min(bar, 11L))]) {
            clips.emplace_back(clip);
        }
    }
    t.say.add(Reading::SMeter, std::move(clips));
    return End::Normal;
}

} // namespace vexalo::interpreter

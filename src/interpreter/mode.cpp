// Mode reply "MD": the mode digit at position 3, and the mode table that the status report
// shares, so that both always name a mode the same way. Not affected by a band-change burst.
#include "families.h"

#include <array>
#include <utility>

namespace vexalo::interpreter {

std::string_view modeClip(std::string_view digit)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kModes { {
        { "1", "lsb" },
        { "2", "usb" },
        { "3", "cw" },
        { "6", "data" },
        { "7", "cwr" },
        { "9", "datar" },
    } };
    for (const auto &[modeDigit, clip] : kModes) {
        if (digit == modeDigit) {
            return clip;
        }
    }
    return {};
}

End handleMode(Turn &t, const Reply &r)
{
    const std::string m = r.at(3);
    if (const std::string_view clip = modeClip(m);
        !clip.empty() && (t.asked() || m != t.s.last_mode.get())) {
        t.say.add(Reading::Mode, clip);
    }
    t.s.last_mode = m;
    return End::Normal;
}

} // namespace vexalo::interpreter

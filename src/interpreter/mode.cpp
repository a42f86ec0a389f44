// Mode reply "MD": the mode digit at position 3. Not affected by a band-change burst.
#include "families.h"
#include "mode_table.h"
#include "q7_globals.h"
#include "speech.h"

#include <array>
#include <utility>

namespace vexalo::interpreter {

namespace {

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

} // namespace

void sayMode(Speech &speech, std::string_view digit)
{
    if (const std::string_view clip = modeClip(digit); !clip.empty()) {
        speech.PlayClip(clip);
    }
}

End handleMode(Context &c, const Reply &r)
{
    const std::string m = r.at(3);
    if (c.g.reply_pending || m != c.g.last_mode.get()) {
        sayMode(c.speech, m);
    }
    c.g.last_mode = m;
    return End::Normal;
}

} // namespace vexalo::interpreter

#include "announcement.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace vexalo {

Announcement Announcement::program(Clips clips)
{
    Announcement a;
    a.add(Reading::None, std::move(clips));
    return a;
}

void Announcement::add(Reading reading, Clips clips)
{
    if (clips.empty()) {
        return;
    }
    if (parts.empty() || parts.back().reading != reading) {
        parts.push_back(Part { reading, {} });
    }
    Clips &to = parts.back().clips;
    to.insert(to.end(), std::make_move_iterator(clips.begin()),
              std::make_move_iterator(clips.end()));
}

void Announcement::add(Part part)
{
    if (!part.clips.empty()) {
        parts.push_back(std::move(part));
    }
}

Clips Announcement::clips() const
{
    Clips all;
    for (const Part &part : parts) {
        all.insert(all.end(), part.clips.begin(), part.clips.end());
    }
    return all;
}

bool Announcement::empty() const
{
    return std::all_of(parts.begin(), parts.end(),
                       [](const Part &part) { return part.clips.empty(); });
}

const Part *Announcement::about(Reading reading) const
{
    const auto found = std::find_if(parts.begin(), parts.end(), [reading](const Part &part) {
        return part.reading == reading && !part.clips.empty();
    });
    return found == parts.end() ? nullptr : &*found;
}

std::string_view nameOf(Reading reading)
{
    static constexpr std::array<std::string_view, 18> kNames {
        "none",   "frequency_a", "frequency_b", "band",   "mode",    "rit",
        "xit",    "split",       "rx_vfo",      "filter", "agc",     "noise_blanker",
        "preamp", "attenuator",  "power",       "keyer",  "s_meter", "identification",
    };
    return kNames.at(static_cast<std::size_t>(reading));
}

} // namespace vexalo

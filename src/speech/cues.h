// Sounds that are no words: the tuning ticks and the two-tones of the band edges. They travel
// through announcements and the ClipSink under names of their own, like clips, so that passing
// over, the log and the tests treat them alike; the product's sink makes them itself, so they
// need no voice folder, and no speech service can say them.
#pragma once

#include <algorithm>
#include <string_view>

namespace vexalo {

struct Cue {
    std::string_view clip; // the name it travels under; never a file in the voice folder
    std::string_view display; // how an announcement line shows it
};

inline constexpr Cue kTick { "cue_tick", "(tick)" }; // a kilohertz crossed while tuning
inline constexpr Cue kTickHigh { "cue_tick_high", "(tick)" }; // ten kilohertz crossed
inline constexpr Cue kBandLeft { "cue_band_left", "(falling tones)" };
inline constexpr Cue kBandEntered { "cue_band_entered", "(rising tones)" };

inline constexpr Cue kCues[] = { kTick, kTickHigh, kBandLeft, kBandEntered };

// A tick is worth hearing only as the knob turns: late, it marks nothing.
inline bool isTick(std::string_view clip)
{
    return clip == kTick.clip || clip == kTickHigh.clip;
}

inline bool isCue(std::string_view clip)
{
    return std::any_of(std::begin(kCues), std::end(kCues),
                       [clip](const Cue &cue) { return cue.clip == clip; });
}

} // namespace vexalo

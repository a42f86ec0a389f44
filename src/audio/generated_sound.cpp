#include "generated_sound.h"

#include "cues.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace vexalo {

namespace {

struct Tone {
    double hertz;
    double seconds;
};

// Tones one after the other, each faded in and out over `fade` seconds (or a third of the
// tone, for a tick too short for that), at `amplitude` of full scale.
Frames tones(std::initializer_list<Tone> sequence, double amplitude, double fade, int rate)
{
    Frames frames;
    for (const Tone &tone : sequence) {
        const auto count = static_cast<std::size_t>(std::lround(tone.seconds * rate));
        const double fadeFrames = std::min(fade * rate, count / 3.0);
        for (std::size_t i = 0; i < count; ++i) {
            const double edge = std::min<double>(i, count - 1 - i);
            const double gain = edge < fadeFrames
                ? 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fadeFrames)
                : 1.0;
            const double value
                = amplitude * gain * std::sin(2 * std::numbers::pi * tone.hertz * i / rate);
            frames.push_back(static_cast<std::int16_t>(std::lround(value * 32767)));
        }
    }
    return frames;
}

} // namespace

std::optional<Frames> generatedSound(std::string_view name, int rate)
{
    // A tick is a few cycles, soft enough to sit under a conversation on the band; ten
    // kilohertz an octave higher. The band edges are a fifth apart, falling on the way out.
    if (name == kTick.clip) {
        return tones({ { 1200, 0.012 } }, 0.12, 0.004, rate);
    }
    if (name == kTickHigh.clip) {
        return tones({ { 2400, 0.012 } }, 0.12, 0.004, rate);
    }
    if (name == kBandLeft.clip) {
        return tones({ { 880, 0.12 }, { 587, 0.12 } }, 0.25, 0.008, rate);
    }
    if (name == kBandEntered.clip) {
        return tones({ { 587, 0.12 }, { 880, 0.12 } }, 0.25, 0.008, rate);
    }
    return std::nullopt;
}

} // namespace vexalo

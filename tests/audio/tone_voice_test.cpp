// The S-meter tone as the audio thread makes it, callback by callback: its pitch, its edges, and
// its silence under the clips.
#include "tone_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vexalo {
namespace {

constexpr int kRate = 22050;
constexpr double kFull = ToneVoice::kAmplitude * 32767;
using Frames = std::vector<std::int16_t>;

// `seconds` of 256-frame callbacks at `target` hertz, each opening with `speech` clip frames
// of 1000.
Frames play(ToneVoice &voice, double seconds, double target, std::size_t speech = 0)
{
    Frames heard;
    for (long left = std::lround(seconds * kRate); left > 0; left -= 256) {
        Frames frames(256, 0);
        std::fill_n(frames.begin(), std::min<std::size_t>(speech, 256), 1000);
        voice.mix(frames, speech, target);
        heard.insert(heard.end(), frames.begin(), frames.end());
    }
    return heard;
}

// No step between neighbours beyond what the steepest sine of this pitch makes.
bool smooth(const Frames &f, double hertz)
{
    for (std::size_t i = 1; i < f.size(); ++i) {
        if (std::abs(f[i] - f[i - 1]) > kFull * 2 * std::numbers::pi * hertz / kRate + 2) {
            return false;
        }
    }
    return true;
}

double hertzOf(Frames::const_iterator from, Frames::const_iterator to)
{
    long crossings = 0;
    for (auto i = from + 1; i < to; ++i) {
        crossings += (i[-1] < 0) != (i[0] < 0) ? 1 : 0;
    }
    return crossings / 2.0 * kRate / static_cast<double>(to - from);
}

bool all(Frames::const_iterator from, Frames::const_iterator to, int value)
{
    return std::all_of(from, to, [value](auto v) { return v == value; });
}

TEST(ToneVoice, GlidesToEachPitchWithoutAJumpAndFadesInAndOut)
{
    ToneVoice voice;
    voice.reset(kRate);
    Frames heard = play(voice, 0.5, 600);
    EXPECT_LT(*std::max_element(heard.begin(), heard.begin() + kRate / 1000), kFull * 0.05);
    EXPECT_NEAR(*std::max_element(heard.begin() + kRate / 50, heard.end()), kFull, 2);
    for (const double next : { 1500.0, 400.0, 1600.0 }) {
        const Frames after = play(voice, 0.5, next);
        EXPECT_NEAR(hertzOf(after.begin() + kRate / 4, after.end()), next, next * 0.02);
        heard.insert(heard.end(), after.begin(), after.end());
    }
    const Frames ending = play(voice, 0.05, 0);
    EXPECT_TRUE(smooth(heard, 1600) && smooth(ending, 1600));
    EXPECT_TRUE(all(ending.begin() + kRate / 80, ending.end(), 0)) << "faded out in 12.5 ms";
}

TEST(ToneVoice, SilentUnderTheClipsAndBackOnlyAfterAPause)
{
    ToneVoice voice;
    voice.reset(kRate);
    play(voice, 0.2, 800);
    const Frames clip = play(voice, 0.3, 800, 256);
    EXPECT_TRUE(smooth({ clip.begin() + 1, clip.end() }, 800)) << "faded out under the clip";
    EXPECT_TRUE(all(clip.begin() + kRate / 80, clip.end(), 1000));
    const Frames gap = play(voice, 0.1, 800);
    EXPECT_TRUE(all(gap.begin(), gap.end(), 0)) << "not back in a gap between two words";
    play(voice, 0.05, 800, 256);
    const Frames after = play(voice, 0.5, 1200);
    const auto resume = static_cast<long>(ToneVoice::kResumeSeconds * kRate);
    EXPECT_TRUE(all(after.begin(), after.begin() + resume - 256, 0));
    EXPECT_NEAR(hertzOf(after.begin() + resume + kRate / 50, after.end()), 1200, 24);
}

} // namespace
} // namespace vexalo

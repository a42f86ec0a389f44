// The S-meter tone as the audio thread makes it, callback by callback: its pitch, its edges, and
// its silence under the clips.
#include "tone_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace vexalo {
namespace {

constexpr int kRate = 22050;
constexpr std::size_t kCallback = 256;
constexpr double kFullTone = ToneVoice::kAmplitude * 32767;

// Plays `seconds` of callbacks at `target` hertz; clip frames (all at `clip`) fill the first
// `speech` frames of each.
std::vector<std::int16_t> play(ToneVoice &voice, double seconds, double target,
                               std::size_t speech = 0, std::int16_t clip = 1000)
{
    std::vector<std::int16_t> heard;
    for (long left = std::lround(seconds * kRate); left > 0; left -= kCallback) {
        std::vector<std::int16_t> frames(kCallback, 0);
        std::fill_n(frames.begin(), std::min(speech, kCallback), clip);
        voice.mix(frames, speech, target);
        heard.insert(heard.end(), frames.begin(), frames.end());
    }
    return heard;
}

long largestStep(const std::vector<std::int16_t> &frames)
{
    long largest = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        largest = std::max(largest, std::labs(long { frames[i] } - frames[i - 1]));
    }
    return largest;
}

double hertzOf(const std::vector<std::int16_t> &frames)
{
    long crossings = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        crossings += (frames[i - 1] < 0) != (frames[i] < 0) ? 1 : 0;
    }
    return crossings / 2.0 * kRate / static_cast<double>(frames.size());
}

TEST(ToneVoice, GlidesToEachNewPitchWithoutAJumpAndFadesAtItsEnds)
{
    ToneVoice voice;
    voice.reset(kRate);
    std::vector<std::int16_t> heard = play(voice, 0.5, 600);
    for (const double next : { 1500.0, 400.0, 1600.0 }) {
        const std::vector<std::int16_t> after = play(voice, 0.5, next);
        // Reached within a quarter of a second, and held.
        EXPECT_NEAR(hertzOf({ after.begin() + kRate / 4, after.end() }), next, next * 0.02);
        heard.insert(heard.end(), after.begin(), after.end());
    }
    const std::vector<std::int16_t> ending = play(voice, 0.05, 0);
    // No step larger than the steepest sine of the highest pitch makes.
    const double steepest = kFullTone * 2 * std::numbers::pi * 1600 / kRate;
    EXPECT_LE(largestStep(heard), steepest + 2);
    EXPECT_LE(largestStep(ending), steepest + 2);
    // The first and last millisecond are barely above silence; full loudness once faded in.
    const auto loudest = [](auto from, auto to) {
        return *std::max_element(from, to,
                                 [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    };
    EXPECT_LT(std::abs(loudest(heard.begin(), heard.begin() + kRate / 1000)), kFullTone * 0.05);
    EXPECT_NEAR(std::abs(loudest(heard.begin() + kRate / 50, heard.begin() + kRate / 10)),
                kFullTone, 2);
    EXPECT_TRUE(std::all_of(ending.begin() + kRate / 80, ending.end(), [](auto v) {
        return v == 0;
    })) << "silent 12.5 ms after it was switched off";
    EXPECT_FALSE(voice.sounding(0));
}

TEST(ToneVoice, SilentUnderTheClipsAndBackOnlyAfterAPause)
{
    ToneVoice voice;
    voice.reset(kRate);
    play(voice, 0.2, 800);
    // A clip comes: the tone fades out under its first 10 ms, then the clip is heard alone.
    const std::vector<std::int16_t> clip = play(voice, 0.3, 800, kCallback);
    EXPECT_TRUE(
        std::all_of(clip.begin() + kRate / 80, clip.end(), [](auto v) { return v == 1000; }));
    EXPECT_LE(largestStep({ clip.begin() + 1, clip.end() }),
              kFullTone * 2 * std::numbers::pi * 800 / kRate + 2);
    // A gap between two words is not long enough to bring it back.
    const std::vector<std::int16_t> gap = play(voice, 0.1, 800);
    EXPECT_TRUE(std::all_of(gap.begin(), gap.end(), [](auto v) { return v == 0; }));
    play(voice, 0.05, 800, kCallback);
    // Once the speech has been over for a while, it fades in again at the pitch of the moment.
    const std::vector<std::int16_t> after = play(voice, 0.5, 1200);
    const auto resume = static_cast<std::ptrdiff_t>(ToneVoice::kResumeSeconds * kRate);
    EXPECT_TRUE(std::all_of(after.begin(), after.begin() + resume - kCallback,
                            [](auto v) { return v == 0; }));
    EXPECT_NEAR(hertzOf({ after.begin() + resume + kRate / 50, after.end() }), 1200, 24);
}

} // namespace
} // namespace vexalo

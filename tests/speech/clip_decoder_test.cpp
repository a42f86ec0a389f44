#include "clip_decoder.h"
#include "clip_files.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vexalo::testing {
namespace {

using namespace std::string_literals;
using Samples = std::vector<std::int16_t>;

Samples repeat(std::initializer_list<std::int16_t> frame, std::size_t times)
{
    Samples samples;
    for (std::size_t i = 0; i < times; ++i) {
        samples.insert(samples.end(), frame);
    }
    return samples;
}

TEST(DecodeClip, ReadsAnyEncodingAsMonoAtTheDeviceRate)
{
    const Samples ramp = patternFor("ramp", 400);
    const struct {
        const char *what;
        int format;
        int rate;
        int channels;
        Samples written;
        int deviceRate;
        Samples expected;
        int tolerance;
    } cases[] = {
        { "16-bit", SF_FORMAT_PCM_16, 22050, 1, ramp, 22050, ramp, 0 },
        { "24-bit", SF_FORMAT_PCM_24, 22050, 1, ramp, 22050, ramp, 0 },
        { "32-bit float", SF_FORMAT_FLOAT, 22050, 1, ramp, 22050, ramp, 0 },
        { "8-bit unsigned", SF_FORMAT_PCM_U8, 22050, 1, ramp, 22050, ramp, 256 },
        { "A-law", SF_FORMAT_ALAW, 22050, 1, ramp, 22050, ramp, 640 },
        { "stereo is averaged", SF_FORMAT_PCM_16, 22050, 2, repeat({ 1000, 3000 }, 300), 22050,
          repeat({ 2000 }, 300), 0 },
        { "44.1 kHz is halved", SF_FORMAT_PCM_16, 44100, 1, repeat({ 5000 }, 600), 22050,
          repeat({ 5000 }, 300), 0 },
        { "11.025 kHz is doubled", SF_FORMAT_PCM_16, 11025, 1, repeat({ -7000 }, 150), 22050,
          repeat({ -7000 }, 300), 0 },
        { "22.05 kHz on a 48 kHz device", SF_FORMAT_PCM_16, 22050, 2, repeat({ 100, 300 }, 441),
          48000, repeat({ 200 }, 960), 0 },
    };
    for (const auto &c : cases) {
        TempFolder folder;
        const fs::path file = folder.path() / "clip.wav";
        writeWav(file, c.written, c.rate, c.channels, SF_FORMAT_WAV | c.format);
        const auto frames = decodeClip(file, c.deviceRate);
        ASSERT_TRUE(frames) << c.what;
        ASSERT_EQ(frames->size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < frames->size(); ++i) {
            ASSERT_NEAR((*frames)[i], c.expected[i], c.tolerance) << c.what << " at " << i;
        }
    }
}

TEST(DecodeClip, RefusesWhatCannotBePlayed)
{
    const struct {
        const char *what;
        std::string bytes; // empty: the file is not created
        bool createEmptyWav;
    } cases[] = {
        { "missing file", "", false },
        { "not a sound file", "RIFF\x24\0\0\0WAVEfmt garbage follows"s, false },
        { "text", "hello there\n", false },
        { "a valid file with no frames", "", true },
    };
    for (const auto &c : cases) {
        TempFolder folder;
        const fs::path file = folder.path() / "clip.wav";
        if (c.createEmptyWav) {
            writeWav(file, {}, 22050);
        } else if (!c.bytes.empty()) {
            writeBytes(file, c.bytes);
        }
        EXPECT_FALSE(decodeClip(file, 22050)) << c.what;
    }
}

TEST(DecodeClip, RefusesClipsLongerThanTheLimitAndTruncatedHeaders)
{
    TempFolder folder;
    const int rate = 8000;
    const fs::path longest = folder.path() / "longest.wav";
    const fs::path tooLong = folder.path() / "too_long.wav";
    writeWav(longest, Samples(static_cast<std::size_t>(kMaxClipSeconds * rate), 1), rate);
    writeWav(tooLong, Samples(static_cast<std::size_t>(kMaxClipSeconds * rate + 1), 1), rate);
    EXPECT_TRUE(decodeClip(longest, rate));
    EXPECT_FALSE(decodeClip(tooLong, rate));

    // A header cut short promises data that is not there.
    fs::resize_file(longest, 30);
    EXPECT_FALSE(decodeClip(longest, rate));
}

TEST(ToMonoAtRate, ClipsLoudSamplesRatherThanWrappingThem)
{
    EXPECT_EQ(toMonoAtRate({ 1.5f, 1.5f, -2.0f, -2.0f }, 2, 22050, 22050),
              (Samples { 32767, -32768 }));
}

TEST(MakeBeep, IsShortAudibleAndStartsAndEndsQuietly)
{
    for (const int rate : { 22050, 44100, 48000 }) {
        const Samples beep = makeBeep(rate);
        EXPECT_NEAR(beep.size(), rate * 0.15, 1) << rate;
        const auto peak = *std::max_element(beep.begin(), beep.end());
        EXPECT_GT(peak, 5000) << rate;
        EXPECT_LT(std::abs(beep.front()) + std::abs(beep.back()), 200) << rate;
    }
}

} // namespace
} // namespace vexalo::testing

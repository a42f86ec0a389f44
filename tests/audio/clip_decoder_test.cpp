#include "clip_decoder.h"
#include "clip_files.h"
#include "platform_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

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
    const auto bytes
        = [](std::string text) { return [text](const fs::path &file) { writeBytes(file, text); }; };
    const struct {
        const char *what;
        std::function<void(const fs::path &)> make; // null: the file is not created
    } cases[] = {
        { "missing file", nullptr },
        { "not a sound file", bytes("RIFF\x24\0\0\0WAVEfmt garbage follows"s) },
        { "text", bytes("hello there\n") },
        { "a valid file with no frames", [](const fs::path &f) { writeWav(f, {}, 22050); } },
        // A named pipe would block open() for good, with no writer ever coming.
        { "named pipe", [](const fs::path &f) { makeNamedPipe(f); } },
        { "directory", [](const fs::path &f) { fs::create_directories(f); } },
        { "more channels than a clip has",
          [](const fs::path &f) { writeWav(f, Samples(90, 1), 22050, kMaxClipChannels + 1); } },
        // Refused by its size, before any of it is decoded.
        { "larger than a clip may be",
          [](const fs::path &f) {
              writeWav(f, Samples(100, 1), 22050);
              fs::resize_file(f, kMaxClipFileBytes + 1);
          } },
    };
    for (const auto &c : cases) {
        TempFolder folder;
        const fs::path file = folder.path() / "clip.wav";
        if (c.make) {
            c.make(file);
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

TEST(SoftenLoudEdges, FadesOnlyTheEdgesThatWouldClick)
{
    constexpr int rate = 22050;
    constexpr std::size_t ramp = rate * kEdgeRampMilliseconds / 1000;
    const auto clip = [](std::int16_t start, std::int16_t end) {
        Samples samples(2000, 12000);
        std::fill_n(samples.begin(), ramp, start);
        std::fill_n(samples.end() - ramp, ramp, end);
        return samples;
    };
    const struct {
        const char *what;
        Samples samples;
        bool fadeIn, fadeOut;
    } cases[] = {
        { "loud at both ends", clip(-20000, 30000), true, true },
        { "loud start only", clip(kLoudEdge, 5), true, false },
        { "loud end only", clip(kLoudEdge - 1, -kLoudEdge), false, true },
        { "quiet edges are left alone", clip(-(kLoudEdge - 1), kLoudEdge - 1), false, false },
    };
    for (const auto &c : cases) {
        Samples soft = c.samples;
        softenLoudEdges(soft, rate);
        EXPECT_EQ(soft.front() == 0, c.fadeIn) << c.what;
        EXPECT_EQ(soft.back() == 0, c.fadeOut) << c.what;
        for (std::size_t i = 0; i < soft.size(); ++i) {
            const bool inRamp = (c.fadeIn && i < ramp) || (c.fadeOut && i >= soft.size() - ramp);
            if (!inRamp) {
                ASSERT_EQ(soft[i], c.samples[i]) << c.what << " at " << i;
            }
            // A fade never makes a sample louder or flips it over.
            ASSERT_LE(std::abs(soft[i]), std::abs(c.samples[i])) << c.what << " at " << i;
            ASSERT_GE(soft[i] * c.samples[i], 0) << c.what << " at " << i;
        }
    }
    Samples tiny { 30000, -30000, 30000 }; // shorter than two ramps: no overrun
    softenLoudEdges(tiny, rate);
    EXPECT_EQ(tiny.front(), 0);
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

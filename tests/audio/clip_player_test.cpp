#include "clip_files.h"
#include "cues.h"
#include "fake_audio_output.h"
#include "generated_sound.h"
#include "output_clip_sink.h"
#include "platform_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexalo::testing {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;
using Samples = std::vector<std::int16_t>;

constexpr const char *kBeep = "<beep>";
constexpr std::chrono::milliseconds kNever = 1h;

// A sound folder with a few clips of known content, a device that records, and the player.
struct Player {
    explicit Player(ClipSinkOptions options = {}, int deviceRate = 22050, bool promptOutput = false)
    {
        device.rate = deviceRate;
        for (const auto &[name, frames] : clipLengths) {
            writeWav(sounds / (name + ".wav"), patternFor(name, frames), 22050);
        }
        writeWav(root.path() / "outside.wav", patternFor("outside", 50), 22050);
        writeWav(sounds / "sub" / "pt.wav", patternFor("sub/pt", 50), 22050);
        writeBytes(sounds / "broken.wav", "RIFF\x24\0\0\0WAVEnot a wave at all"s);
        writeWav(sounds / "empty.wav", {}, 22050);
        makeNamedPipe(sounds / "pipe.wav");
        options.folder = sounds;
        sink = std::make_unique<OutputClipSink>(
            std::make_unique<FakeAudioOutput>(device), std::move(options),
            promptOutput ? std::make_unique<FakeAudioOutput>(prompt) : nullptr);
    }

    // What the device should have heard for these clips, a kBeep standing for the beep and
    // "~N" for N ms of silence. The clips' edges are loud, so they are heard faded.
    Samples expected(const std::vector<std::string> &pieces) const
    {
        Samples all;
        for (const auto &piece : pieces) {
            Samples part;
            if (piece == kBeep) {
                part = makeBeep(device.rate);
            } else if (piece.starts_with('~')) {
                part.resize(
                    static_cast<std::size_t>(std::stoi(piece.substr(1)) * device.rate / 1000));
            } else {
                part = patternFor(piece, clipLengths.at(piece));
                softenLoudEdges(part, device.rate);
            }
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }

    // A leading '!' asks through playMissing, as for text that is no clip name; "~N" asks
    // for N ms of silence, "." waits for everything to be heard.
    void say(const std::vector<std::string> &calls)
    {
        for (const auto &call : calls) {
            if (call == ".") {
                sink->drain();
            } else if (call.starts_with('!')) {
                sink->playMissing(call.substr(1));
            } else if (call.starts_with('~')) {
                sink->playSilence(std::chrono::milliseconds(std::stoi(call.substr(1))));
            } else {
                sink->playClip(call);
            }
        }
    }

    TempFolder root;
    fs::path sounds = root.path() / "ZSsounds";
    std::map<std::string, std::size_t> clipLengths {
        { "14", 3000 }, { "0", 1500 }, { "2", 1400 }, { "5", 1600 }, { "pt", 900 }, { "hz", 2100 }
    };
    Device device;
    Device prompt;
    std::unique_ptr<OutputClipSink> sink;
};

TEST(OutputClipSink, PlaysClipsBackToBackInCallOrder)
{
    const struct {
        std::vector<std::string> calls;
        std::vector<std::string> heard;
    } cases[] = {
        { { "14", "0", "2", "5", "pt", "0", "0" }, { "14", "0", "2", "5", "pt", "0", "0" } },
        { { "pt", "nosuch", "hz" }, { "pt", kBeep, "hz" } },
        { { "broken", "pt" }, { kBeep, "pt" } },
        { { "empty", "hz" }, { kBeep, "hz" } },
        // A named pipe would block the program in open() for good.
        { { "pipe", "hz" }, { kBeep, "hz" } },
        { { "pt", "~50", "hz", "~0" }, { "pt", "~50", "hz" } },
        { { "!", "!FW;", "0" }, { kBeep, kBeep, "0" } },
        // Names that are no clip names never reach a path, even where such a file exists.
        { { "../outside", "sub/pt", "PT", "pt.wav", "" }, { kBeep, kBeep, kBeep, kBeep, kBeep } },
    };
    for (const auto &c : cases) {
        Player player;
        player.say(c.calls);
        EXPECT_EQ(player.device.heard, player.expected(c.heard))
            << ::testing::PrintToString(c.calls);
    }
}

TEST(OutputClipSink, ReturnsWithNoMoreThanTheTailStillQueued)
{
    const struct {
        std::chrono::milliseconds tail;
        int rate;
        long queued; // after the 3000-frame clip "14"
    } cases[] = {
        { 0ms, 22050, 0 },
        { 30ms, 22050, 661 },
        { 30ms, 44100, 1323 },
        { 1000ms, 22050, 3000 }, // a tail longer than the clip leaves the whole clip queued
    };
    for (const auto &c : cases) {
        Player player({ .tail = c.tail }, c.rate);
        player.say({ "14" });
        EXPECT_EQ(player.device.queuedAfterDrain, std::vector<long> { c.queued })
            << c.tail.count() << " ms at " << c.rate;
    }
}

TEST(OutputClipSink, ReadsEachClipOnceButLooksAgainForMissingOnes)
{
    Player player;
    player.say({ "pt", "late" });
    writeWav(player.sounds / "pt.wav", patternFor("changed", 900), 22050);
    writeWav(player.sounds / "late.wav", patternFor("hz", 2100), 22050);
    player.say({ "pt", "late" });

    // The changed pt.wav is not read again; the clip that appeared is played.
    EXPECT_EQ(player.device.heard, player.expected({ "pt", kBeep, "pt", "hz" }));
    EXPECT_EQ(player.sink->cachedClips(), 2u);
    EXPECT_GE(player.sink->cachedBytes(), (900 + 2100) * sizeof(std::int16_t));
}

TEST(OutputClipSink, MakesTheCuesItselfQuietAtBothEndsWhateverTheFolderHolds)
{
    for (const int rate : { 22050, 48000 }) {
        for (const Cue &cue : kCues) {
            Player player({}, rate);
            // A file of a cue's name is an operator's stray recording, never the cue.
            writeWav(player.sounds / (std::string(cue.clip) + ".wav"), patternFor("x", 900), 22050);
            player.say({ std::string(cue.clip) });
            const Samples &heard = player.device.heard;
            ASSERT_EQ(heard, generatedSound(cue.clip, rate).value()) << cue.clip << " " << rate;
            ASSERT_GT(heard.size(), static_cast<std::size_t>(rate / 100)) << cue.clip;
            EXPECT_LT(std::abs(heard.front()), kLoudEdge) << cue.clip;
            EXPECT_LT(std::abs(heard.back()), kLoudEdge) << cue.clip;
            EXPECT_GT(*std::max_element(heard.begin(), heard.end()), kLoudEdge) << cue.clip;
        }
    }
    EXPECT_FALSE(generatedSound("pt", 22050));
}

TEST(OutputClipSink, TicksTakeThePromptOutputOnlyWhenItIsWarmAndTheOtherQuiet)
{
    const std::string tick(kTick.clip);
    const std::vector<std::string> apart { "pt", ".", tick, ".", tick };
    const struct {
        const char *what;
        std::vector<std::string> calls;
        std::chrono::milliseconds promptRunning;
        bool promptPresent;
        int promptRate;
        int onPrompt; // of the ticks
        int promptOpens;
    } cases[] = {
        { "after a pause, warm", apart, 1h, true, 22050, 2, 2 },
        { "the clip's tail still sounding", { "pt", tick }, 1h, true, 22050, 0, 0 },
        { "its stream warming up", apart, 50ms, true, 22050, 0, 2 },
        { "no second stream: not tried again at once", apart, 1h, false, 22050, 0, 1 },
        { "another rate: not tried again at once", apart, 1h, true, 44100, 0, 1 },
    };
    const Samples one = generatedSound(tick, 22050).value();
    const auto repeated = [&one](Samples samples, long count) {
        for (long i = 0; i < count; ++i) {
            samples.insert(samples.end(), one.begin(), one.end());
        }
        return samples;
    };
    for (const auto &c : cases) {
        Player player({ .reopenInterval = kNever }, 22050, true);
        player.prompt.running = c.promptRunning;
        player.prompt.present = c.promptPresent;
        player.prompt.rate = c.promptRate;
        player.say(c.calls);

        const long ticks = std::count(c.calls.begin(), c.calls.end(), tick);
        EXPECT_EQ(player.device.heard, repeated(player.expected({ "pt" }), ticks - c.onPrompt))
            << c.what;
        EXPECT_EQ(player.prompt.heard, repeated({}, c.onPrompt)) << c.what;
        EXPECT_EQ(player.prompt.opens, c.promptOpens) << c.what;
    }
}

TEST(OutputClipSink, ConvertsClipsToTheRateTheDevicePlays)
{
    Player player({}, 44100);
    player.say({ "pt", "nosuch" });
    ASSERT_EQ(player.device.heard.size(), 1800u + makeBeep(44100).size());
    // Each original frame lands on an even frame; the odd ones lie between two neighbours.
    // The first and last few milliseconds are faded, as every clip with loud edges is.
    const Samples pt = patternFor("pt", 900);
    const std::size_t faded = kEdgeRampMilliseconds * 22050 / 1000 + 1;
    for (std::size_t i = faded; i + faded < pt.size(); ++i) {
        ASSERT_EQ(player.device.heard[2 * i], pt[i]) << i;
        ASSERT_NEAR(player.device.heard[2 * i + 1], (pt[i] + pt[i + 1]) / 2.0, 1.0) << i;
    }
}

TEST(OutputClipSink, IsSilentWithoutADeviceAndLooksForOneOnlyNowAndThen)
{
    const struct {
        const char *what;
        std::chrono::milliseconds reopenInterval;
        int presentFromClip; // -1: never
        int opens;
        std::vector<std::string> heard; // of the clips "14", "0", "2", "5", "pt"
    } cases[] = {
        { "no card, one attempt for many clips", kNever, -1, 1, {} },
        { "card plugged in, found at the next attempt", 0ms, 2, 3, { "2", "5", "pt" } },
        { "card plugged in, not looked for before the interval", kNever, 2, 1, {} },
        { "card present from the start, opened once", 0ms, 0, 1, { "14", "0", "2", "5", "pt" } },
    };
    for (const auto &c : cases) {
        Player player({ .reopenInterval = c.reopenInterval });
        int index = 0;
        for (const char *clip : { "14", "0", "2", "5", "pt" }) {
            player.device.present = c.presentFromClip >= 0 && index++ >= c.presentFromClip;
            player.sink->playClip(clip);
        }
        if (!player.device.open) {
            player.sink->playMissing("");
        }
        EXPECT_EQ(player.device.opens, c.opens) << c.what;
        EXPECT_EQ(player.device.heard, player.expected(c.heard)) << c.what;
    }
}

TEST(OutputClipSink, StaysSilentWhenTheDeviceFailsUntilItIsFoundAgain)
{
    const struct {
        std::chrono::milliseconds reopenInterval;
        int rateAfter;
        std::size_t heard; // "14" (3000 frames) before the failure, "2" (1400) after it
    } cases[] = {
        { kNever, 22050, 3000 },
        { 0ms, 22050, 3000 + 1400 },
        { 0ms, 44100, 3000 + 2800 }, // kept clips are converted again for the new rate
    };
    for (const auto &c : cases) {
        Player player({ .reopenInterval = c.reopenInterval });
        player.say({ "14", "2" });
        player.device.heard.resize(3000);
        player.device.failWrites = true;
        player.say({ "0" });
        player.device.failWrites = false;
        player.device.rate = c.rateAfter;
        player.say({ "2" });
        EXPECT_EQ(player.device.heard.size(), c.heard) << c.reopenInterval.count();
    }
}

TEST(OutputClipSink, LetsTheQueuePlayOutWhenClosedAfterUse)
{
    for (const bool used : { false, true }) {
        Player player;
        if (used) {
            player.say({ "pt" });
        }
        player.sink.reset();
        EXPECT_EQ(player.device.closes, used ? 1 : 0);
        EXPECT_EQ(player.device.opens, used ? 1 : 0) << "construction must not open the device";
    }
}

TEST(OutputClipSink, StopDropsWhatIsQueuedAndEndsTheWaitForTheClip)
{
    for (const bool stopped : { false, true }) {
        Player player;
        player.device.paused = true;
        player.sink->startClip("14");
        EXPECT_FALSE(player.sink->awaitClip(1ms)) << "a clip not yet heard";
        if (stopped) {
            player.sink->stop();
        }
        EXPECT_EQ(player.sink->awaitClip(1ms), stopped);
        EXPECT_EQ(player.device.queued == 0, stopped);
        player.device.paused = false;
        player.sink->playClip("0"); // a later clip is played as usual
        EXPECT_EQ(player.device.heard, player.expected({ "14", "0" })) << stopped;
        EXPECT_EQ(player.device.stops, stopped ? 1 : 0);
    }
}

TEST(OutputClipSink, FindsTheSoundFolderInTheWorkingDirectory)
{
    Player player; // only for its folder
    Device device;
    OutputClipSink sink(std::make_unique<FakeAudioOutput>(device));
    const fs::path before = fs::current_path();
    fs::current_path(player.root.path());
    sink.playClip("pt");
    fs::current_path(before);
    EXPECT_EQ(device.heard, player.expected({ "pt" }));
}

} // namespace
} // namespace vexalo::testing

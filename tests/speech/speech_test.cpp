#include "announcer.h"
#include "clip_recorder.h"
#include "number_speech.h"

#include <gtest/gtest.h>

#include <functional>

namespace vexalo::testing {
namespace {

TEST(SayNumber, SpeaksKilohertzWithTwoDecimals)
{
    const struct {
        const char *field;
        Clips clips;
    } cases[] = {
        { "0001406000", { "14", "0", "6", "0", "pt", "0", "0" } },
        { "0000704010", { "7", "0", "4", "0", "pt", "1", "0" } },
        { "0000181250", { "1", "8", "1", "2", "pt", "5", "0" } },
        { "0002899999", { "28", "9", "9", "9", "pt", "9", "9" } },
        { "0001000000", { "10", "0", "0", "0", "pt", "0", "0" } },
        { "0014410000", { "1", "44", "1", "0", "0", "pt", "0", "0" } },
        { "0043210000", { "4", "32", "1", "0", "0", "pt", "0", "0" } },
        { "9900047500", { "0", "4", "7", "5", "pt", "0", "0" } }, // GHz digits are never spoken
        // A short field plays the missing positions as missing clips, never crashes.
        { "00014", { "14", "", "", "", "pt", "", "" } },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sayNumber(c.field), c.clips) << c.field;
    }
}

TEST(SayOffset, SpeaksSignAndHertzOrKilohertz)
{
    const struct {
        const char *field;
        Clips clips;
    } cases[] = {
        { "+1250", { "plus", "1", "pt", "2", "5", "0" } },
        { "-1000", { "minus", "1", "pt", "0", "0", "0" } },
        { "+0150", { "plus", "1", "5", "0", "hz" } },
        { "-0050", { "minus", "5", "0", "hz" } },
        { "+0105", { "plus", "1", "0", "5", "hz" } },
        { "+0005", { "plus", "5", "hz" } },
        { "+0000", { "plus", "0", "hz" } },
        { " 0020", { "minus", "2", "0", "hz" } },
        { "x9999", { "minus", "9", "pt", "9", "9", "9" } },
        { "+", { "plus", "", "hz" } },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sayOffset(c.field), c.clips) << c.field;
    }
}

TEST(PlayClip, OnlyLowerCaseLettersDigitsAndUnderscoreReachTheSink)
{
    for (const char *valid : { "pt", "q7_present", "00", "73s", "fl4" }) {
        EXPECT_TRUE(isValidClipName(valid)) << valid;
    }
    for (const char *invalid : { "", ";", "../x", "FW", "a b", "x.wav", "/etc/passwd", "\r" }) {
        EXPECT_FALSE(isValidClipName(invalid)) << invalid;
        ClipRecorder<> sink;
        Announcer announcer(sink);
        announcer.unmute();
        announcer.say({ "pt", invalid });
        EXPECT_EQ(sink.take(), (Clips { "pt", "?" + std::string(invalid) })) << invalid;
    }
}

} // namespace
} // namespace vexalo::testing

namespace vexalo::testing {
namespace {

// Announcements that follow each other at once get a pause between them; the words of one do
// not. Muting ends with its guard; the farewell is heard even muted and only once it has
// played out does the announcer return.
TEST(Announcements, ArePausedBetweenAndMutingAlwaysEnds)
{
    ClipRecorder<> sink;
    sink.recordPauses = true;
    Announcer announcer(sink);
    announcer.unmute();
    announcer.say({ "rit", "off" });
    {
        const auto muted = announcer.mute();
        announcer.say({ "xit" });
    }
    EXPECT_TRUE(announcer.speechOn()) << "unmuted again when the guard ends";
    announcer.say({ "a" });
    {
        const auto muted = announcer.mute();
        announcer.farewell("73s");
    }
    EXPECT_EQ(sink.log(),
              (std::vector<std::string> { "clip rit", "clip off", "pause 1", "clip a", "pause 1",
                                          "clip 73s", "drain" }))
        << "a muted announcement says nothing and needs no pause; the farewell is heard muted";
}

// Escape while a clip sounds: the clip ends there, the rest of the announcement and what waits
// behind it are dropped, and a later announcement is said whole.
TEST(Announcements, AStopWhileAClipSoundsEndsItThereAndDropsWhatWaits)
{
    struct Look : WhileClipSounds {
        std::function<void()> seen;
        void look() override { seen(); }
    };
    const struct {
        const char *stopIn; // "" for no stop
        Clips heard;
    } cases[] = {
        { "", { "14", "0", "|", "usb", "|", "a" } },
        { "14", { "14", "stop", "|", "a" } },
        { "0", { "14", "0", "stop", "|", "a" } },
        { "usb", { "14", "0", "|", "usb", "stop", "|", "a" } },
    };
    for (const auto &c : cases) {
        ClipRecorder<> sink;
        sink.recordPauses = true;
        sink.soundsOneLook = true;
        Announcer announcer(sink);
        announcer.unmute();
        Look look;
        std::string sounding;
        sink.onClip = [&sounding](std::string_view name) { sounding = name; };
        look.seen = [&] {
            if (sounding == c.stopIn) {
                announcer.silence();
            }
        };
        announcer.setWhileClipSounds(&look);
        announcer.enqueue(Announcement::program({ "14", "0" }));
        announcer.enqueue(Announcement::program({ "usb" }));
        announcer.speak();
        announcer.say({ "a" });
        Clips log;
        for (const std::string &line : sink.log()) {
            log.push_back(line == "stop" ? line : clipNames(std::vector { line }).at(0));
        }
        EXPECT_EQ(log, c.heard) << c.stopIn;
    }
}

} // namespace
} // namespace vexalo::testing

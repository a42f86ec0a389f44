#include "harness.h"

#include <gtest/gtest.h>

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
        { "00014", { "14", "?", "?", "?", "pt", "?", "?" } },
    };
    for (const auto &c : cases) {
        Harness h;
        h.speech.SayNumber(c.field);
        EXPECT_EQ(h.sink.take(), c.clips) << c.field;
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
        { "+", { "plus", "?", "hz" } },
    };
    for (const auto &c : cases) {
        Harness h;
        h.speech.SayOffset(c.field);
        EXPECT_EQ(h.sink.take(), c.clips) << c.field;
    }
}

TEST(PlayClip, IsSilentWhileSpeechIsOff)
{
    Harness h;
    h.g.speech_on = false;
    h.speech.PlayClip("pt");
    h.speech.SayNumber("0001402500");
    h.speech.SayOffset("+0150");
    EXPECT_TRUE(h.sink.take().empty());
}

TEST(PlayClip, OnlyLowerCaseLettersDigitsAndUnderscoreReachTheSink)
{
    for (const char *valid : { "pt", "q7_present", "00", "73s", "fl4" }) {
        EXPECT_TRUE(isValidClipName(valid)) << valid;
    }
    for (const char *invalid : { "", ";", "../x", "FW", "a b", "x.wav", "/etc/passwd", "\r" }) {
        EXPECT_FALSE(isValidClipName(invalid)) << invalid;
        Harness h;
        h.speech.PlayClip(invalid);
        EXPECT_EQ(h.sink.take(), Clips { "?" + std::string(invalid) }) << invalid;
    }
}

} // namespace
} // namespace vexalo::testing

namespace vexalo::testing {
namespace {

// Announcements that follow each other at once get a pause between them; the words of one do not.
TEST(Announcements, ArePausedBetweenAndMutingAlwaysEnds)
{
    Harness h;
    h.sink.recordPauses = true;
    {
        const auto first = h.speech.announce();
        h.speech.PlayClip("rit");
        h.speech.PlayClip("off");
    }
    {
        const auto second = h.speech.announce();
        const auto nested = h.speech.mute();
        h.speech.PlayClip("xit");
    }
    EXPECT_TRUE(h.g.speech_on) << "unmuted again when the guard ends";
    {
        const auto third = h.speech.announce();
        h.speech.PlayClip("a");
    }
    h.g.speech_on = false;
    h.speech.PlayFarewell("73s");
    EXPECT_EQ(h.sink.take(), (Clips { "rit", "off", "|", "a", "|", "73s" }))
        << "a muted announcement says nothing and needs no pause; the farewell is heard muted";
}

} // namespace
} // namespace vexalo::testing

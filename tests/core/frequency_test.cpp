#include "harness.h"

#include <gtest/gtest.h>

namespace vexalo::testing {
namespace {

const Clips k14025 = { "14", "0", "2", "5", "pt", "0", "0" };

Clips with(Clips clips, const std::string &last)
{
    clips.push_back(last);
    return clips;
}

TEST(FrequencyReply, RequestedReadingIsSpokenWithItsVfoLetter)
{
    Harness h;
    EXPECT_EQ(h.ask("FA00014025000;"), with(k14025, "a"));
    EXPECT_EQ(h.g.last_freq_a.get(), "1402500");
    EXPECT_FALSE(h.g.reply_pending);

    EXPECT_EQ(h.ask("FA00014025000;"), with(k14025, "a")) << "asked again, spoken again";
    EXPECT_EQ(h.reply("FA00014025000;"), Clips {}) << "unasked and unchanged";
    EXPECT_EQ(h.ask("FB00014025000;"), with(k14025, "b"));
    EXPECT_EQ(h.g.last_freq_b.get(), "1402500");
}

TEST(FrequencyReply, AutomaticReportsNeedFullAutoTheReceivingVfoAndTenHertz)
{
    const struct {
        const char *name;
        bool fullAuto;
        const char *rxVfo;
        const char *prefix;
        const char *next;
        Clips clips;
    } cases[] = {
        { "moved 10 Hz on the receiving VFO",
          true,
          "0",
          "FA",
          "FA00014025010;",
          { "14", "0", "2", "5", "pt", "0", "1" } },
        { "only the units of hertz moved", true, "0", "FA", "FA00014025001;", {} },
        { "only the hundreds of megahertz moved", true, "0", "FA", "FA00114025000;", {} },
        { "VFO A is not receiving", true, "1", "FA", "FA00014025010;", {} },
        { "Full Auto unchecked", false, "0", "FA", "FA00014025010;", {} },
        { "VFO B receiving",
          true,
          "1",
          "FB",
          "FB00007040100;",
          { "7", "0", "4", "0", "pt", "1", "0" } },
        { "unknown receive VFO counts as A",
          true,
          "",
          "FA",
          "FA00014025010;",
          { "14", "0", "2", "5", "pt", "0", "1" } },
    };
    for (const auto &c : cases) {
        Harness h;
        h.window.fullAuto = c.fullAuto;
        if (*c.rxVfo) {
            h.g.rx_vfo = c.rxVfo;
        }
        h.reply(std::string(c.prefix) + "00014025000;");
        h.sink.take();
        EXPECT_EQ(h.reply(c.next), c.clips) << c.name;
        const auto &last = std::string(c.prefix) == "FA" ? h.g.last_freq_a : h.g.last_freq_b;
        EXPECT_EQ(last.get(), std::string(c.next).substr(5, 7)) << c.name << ": always recorded";
    }
}

TEST(FrequencyReply, BandChangeBurstRecordsSilentlyAndKeepsTheQueryPending)
{
    Harness h;
    h.g.quiet_update = true;
    EXPECT_EQ(h.ask("FA00014025000;"), Clips {});
    EXPECT_EQ(h.g.last_freq_a.get(), "1402500");
    EXPECT_TRUE(h.g.reply_pending);
    EXPECT_TRUE(h.g.quiet_update);
}

TEST(FrequencyReply, ShortOrMalformedRepliesNeverCrash)
{
    for (const char *reply : { "FA;", "FA", "FB1;", "FAxxxxxxxxxxx;", "FA0001402500000000;" }) {
        Harness h;
        h.ask(reply);
        EXPECT_FALSE(h.g.reply_pending) << reply;
    }
    Harness h;
    h.ask("FA;");
    EXPECT_EQ(h.g.last_freq_a.get(), "FA;");
}

TEST(Dispatch, UnknownPrefixesAreDroppedWithANormalEnd)
{
    for (const char *reply : { "LK0;", "fa00014025000;", ";", "", "\r\nFA00014025000;", "X" }) {
        Harness h;
        h.g.quiet_update = true;
        EXPECT_EQ(h.ask(reply), Clips {}) << reply;
        EXPECT_FALSE(h.g.reply_pending) << reply;
        EXPECT_FALSE(h.g.last_freq_a.isSet()) << reply;
    }
}

TEST(Dispatch, SpeechOffMakesTheSameDecisionsSilently)
{
    Harness loud;
    Harness quiet;
    quiet.g.speech_on = false;
    for (Harness *h : { &loud, &quiet }) {
        h->window.fullAuto = true;
        h->ask("FA00014025000;");
        h->reply("FA00014025010;");
        h->g.quiet_update = true;
        h->ask("FB00021200000;");
    }
    EXPECT_TRUE(quiet.sink.take().empty());
    quiet.g.speech_on = true;
    EXPECT_EQ(loud.g.describe(), quiet.g.describe());
}

} // namespace
} // namespace vexalo::testing

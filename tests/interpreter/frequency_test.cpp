// The frequency replies and the dispatch, as the pure function they are: state and reply in,
// clips, state and end out.
#include "interpreter.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vexalo::testing {
namespace {

const Clips k14025 = { "14", "0", "2", "5", "pt", "0", "0" };
const ReplyContext kAsked { .asked = true };

Clips with(Clips clips, const std::string &last)
{
    clips.push_back(last);
    return clips;
}

TEST(FrequencyReply, RequestedReadingIsSpokenWithItsVfoLetter)
{
    Outcome o = interpret({}, "FA00014025000;", kAsked);
    EXPECT_EQ(o.announcement.clips(), with(k14025, "a"));
    EXPECT_EQ(o.announcement.origin, Origin::Answer);
    EXPECT_EQ(o.state.last_freq_a.get(), "1402500");
    EXPECT_EQ(o.end, End::Normal);

    EXPECT_EQ(interpret(o.state, "FA00014025000;", kAsked).announcement.clips(), with(k14025, "a"))
        << "asked again, spoken again";
    EXPECT_TRUE(interpret(o.state, "FA00014025000;", {}).announcement.empty())
        << "unasked and unchanged";
    o = interpret(o.state, "FB00014025000;", kAsked);
    EXPECT_EQ(o.announcement.clips(), with(k14025, "b"));
    EXPECT_EQ(o.state.last_freq_b.get(), "1402500");
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
        RadioState before;
        if (*c.rxVfo) {
            before.rx_vfo = std::string(c.rxVfo);
        }
        const ReplyContext unasked { .fullAuto = c.fullAuto };
        before = interpret(before, std::string(c.prefix) + "00014025000;", unasked).state;
        const Outcome o = interpret(before, c.next, unasked);
        EXPECT_EQ(o.announcement.clips(), c.clips) << c.name;
        const auto &last
            = std::string(c.prefix) == "FA" ? o.state.last_freq_a : o.state.last_freq_b;
        EXPECT_EQ(last.get(), std::string(c.next).substr(5, 7)) << c.name << ": always recorded";
    }
}

TEST(FrequencyReply, AnUnaskedReportMarksTheStepOfTheDialItCrossed)
{
    const ReplyContext fullAuto { .fullAuto = true };
    const RadioState before = interpret({}, "FA00014025000;", fullAuto).state;
    for (const auto &[next, asked, crossed] :
         { std::tuple { "FA00014024990;", false, Crossing::Kilohertz },
           { "FA00014019990;", false, Crossing::TenKilohertz },
           { "FA00014026000;", true, Crossing::None } }) { // an answer is no tuning
        const Outcome o = interpret(before, next, { .asked = asked, .fullAuto = true });
        EXPECT_EQ(o.announcement.parts.at(0).crossed, crossed) << next;
    }
}

TEST(FrequencyReply, BandChangeBurstRecordsSilentlyAndLeavesTheQueryOutstanding)
{
    RadioState burst;
    burst.quiet_update = true;
    const Outcome o = interpret(burst, "FA00014025000;", kAsked);
    EXPECT_TRUE(o.announcement.empty());
    EXPECT_EQ(o.state.last_freq_a.get(), "1402500");
    EXPECT_EQ(o.end, End::Quiet);
    EXPECT_TRUE(o.state.quiet_update);
}

TEST(FrequencyReply, ShortOrMalformedRepliesNeverCrash)
{
    for (const char *reply : { "FA;", "FA", "FB1;", "FAxxxxxxxxxxx;", "FA0001402500000000;" }) {
        EXPECT_EQ(interpret({}, reply, kAsked).end, End::Normal) << reply;
    }
    EXPECT_EQ(interpret({}, "FA;", kAsked).state.last_freq_a.get(), "FA;");
}

TEST(Dispatch, UnknownPrefixesAreDroppedWithANormalEnd)
{
    RadioState burst;
    burst.quiet_update = true;
    for (const char *reply : { "LK0;", "fa00014025000;", ";", "", "\r\nFA00014025000;", "X" }) {
        const Outcome o = interpret(burst, reply, kAsked);
        EXPECT_TRUE(o.announcement.empty()) << reply;
        EXPECT_EQ(o.end, End::Normal) << reply;
        EXPECT_EQ(o.state.describe(), burst.describe()) << reply;
    }
}

} // namespace
} // namespace vexalo::testing

#include "radio_state.h"
#include "reply.h"
#include "reply_framer.h"
#include "settings.h"

#include <gtest/gtest.h>

namespace vexalo {
namespace {

TEST(ReadNumber, ReadsLeadingDecimalAndStopsAtFirstNonDigit)
{
    const struct {
        const char *text;
        long value;
    } cases[] = {
        { "05", 5 },      { ";", 0 },
        { "", 0 },        { "120", 120 },
        { "12;", 12 },    { "+12", 12 },
        { "-0050", -50 }, { "1a2", 1 },
        { "x9", 0 },      { "99999999999999999999", 1'000'000'000 },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(readNumber(c.text), c.value) << c.text;
    }
}

TEST(ReplyField, TakesOneBasedRangesAndToleratesShortReplies)
{
    const Reply r("FA00014025000;");
    const struct {
        int pos, len;
        const char *expected;
    } cases[] = {
        { 1, 2, "FA" },  { 3, 10, "0001402500" }, { 14, 1, ";" },
        { 13, 5, "0;" }, { 15, 1, "" },           { 40, 3, "" },
        { 0, 2, "" },    { -3, 2, "" },           { 3, 0, "" },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(r.field(c.pos, c.len), c.expected) << c.pos << "," << c.len;
    }
    EXPECT_EQ(Reply("").at(1), "");
    EXPECT_EQ(Reply("KS0").number(3, 3), 0);
}

TEST(NonZeroDigit, OnlyTheDigitsOneToNineCount)
{
    for (const char *yes : { "1", "5", "9" }) {
        EXPECT_TRUE(isNonZeroDigit(yes)) << yes;
    }
    for (const char *no : { "0", "", ";", "A", ":", "12" }) {
        EXPECT_FALSE(isNonZeroDigit(no)) << no;
    }
}

TEST(EmptyRule, UnsetValuesReadAsZeroFalseAndEmptyText)
{
    RadioState g;
    EXPECT_FALSE(g.quiet_update);
    EXPECT_EQ(g.rit_state.get(), 0);
    EXPECT_EQ(g.last_mode.get(), "");
    EXPECT_FALSE(g.last_mode == std::string("2"));
    EXPECT_EQ(vfoNumber(g.rx_vfo), 0);
    g.rx_vfo = "1";
    EXPECT_EQ(vfoNumber(g.rx_vfo), 1);
    g.rx_vfo = ";";
    EXPECT_EQ(vfoNumber(g.rx_vfo), 0);
}

TEST(Describe, PrintsUnsetAsNothingAndBooleansAsWords)
{
    RadioState g;
    g.radio_found = false;
    g.split_on = true;
    g.last_power = 55;
    Settings settings;
    settings.comm_port = 3;
    settings.greeting_on = false;
    settings.report_mode = std::string("x");
    auto state = g.describe();
    const auto kept = settings.describe();
    state.insert(state.end(), kept.begin(), kept.end());
    const auto value = [&](std::string_view name) {
        for (const auto &[n, v] : state) {
            if (n == name) {
                return v;
            }
        }
        return std::string("<absent>");
    };
    EXPECT_EQ(value("radio_found"), "false");
    EXPECT_EQ(value("split_on"), "true");
    EXPECT_EQ(value("quiet_update"), "");
    EXPECT_EQ(value("last_power"), "55");
    EXPECT_EQ(value("comm_port"), "3");
    EXPECT_EQ(value("greeting_on"), "false");
    EXPECT_EQ(value("report_mode"), "x");
    EXPECT_EQ(value("last_speed"), "");
}

TEST(ReplyFramer, CutsEventsIntoRepliesInArrivalOrder)
{
    using Replies = std::vector<std::string>;
    const struct {
        const char *name;
        std::vector<std::string> events;
        Replies replies;
        std::string left;
    } cases[] = {
        { "two replies and the start of a third",
          { "FA00014025000;FR0;KS0" },
          { "FA00014025000;", "FR0;" },
          "KS0" },
        { "one reply split over two events", { "FA000140", "25000;" }, { "FA00014025000;" }, "" },
        { "no separator only lengthens the buffer", { "FA0001" }, {}, "FA0001" },
        { "empty input on an empty buffer", { "" }, {}, "" },
        { "two separators in a row", { ";;" }, { ";", ";" }, "" },
        { "CR LF becomes the start of the next reply", { "\r\nFR1;" }, { "\r\nFR1;" }, "" },
        { "remainder completed by a later event",
          { "PC0", "05;", "KS020;" },
          { "PC005;", "KS020;" },
          "" },
    };
    for (const auto &c : cases) {
        ReplyFramer framer;
        Replies all;
        for (const auto &event : c.events) {
            for (auto &reply : framer.receive(event)) {
                all.push_back(std::move(reply));
            }
        }
        EXPECT_EQ(all, c.replies) << c.name;
        EXPECT_EQ(framer.rx_buffer(), c.left) << c.name;
    }
}

TEST(ReplyFramer, BoundsALineThatNeverSendsASeparator)
{
    ReplyFramer framer;
    const std::string noise(10'000, 'x');
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(framer.receive(noise).empty());
    }
    EXPECT_EQ(framer.rx_buffer().size(), ReplyFramer::kMaxPending);

    // The newest characters are kept, so a reply at the end of the noise is still whole.
    const auto replies = framer.receive("FA00014025000;");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_TRUE(replies[0].ends_with("xFA00014025000;"));
    EXPECT_EQ(replies[0].size(), ReplyFramer::kMaxPending);
    EXPECT_EQ(framer.rx_buffer(), "");
}

} // namespace
} // namespace vexalo

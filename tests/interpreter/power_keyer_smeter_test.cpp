#include "script.h"

namespace vexalo::testing {
namespace {

// The tables keep one script to a few lines, laid out by hand.
// clang-format off

TEST(PowerReply, BothFormsAreSpokenAndTheFormIsRecorded)
{
    const Script scripts[] = {
        { "short form", {}, kPlain,
          { { "PC005;", kAsked, { "power", "5", "watts" } } },
          { { "firmware_format", "201B" }, { "last_power", "5" } } },
        { "short form, two digits; position 3 is not read", {}, kPlain,
          { { "PC912;", kAsked, { "power", "12", "watts" } } }, { { "last_power", "12" } } },
        { "long form under 10 W", {}, kPlain,
          { { "PC0551;", kAsked, { "power", "5", "pt", "5", "watts" } } },
          { { "firmware_format", "201D+" }, { "last_power", "55" } } },
        { "long form from 10 W", {}, kPlain,
          { { "PC1201;", kAsked, { "power", "12", "pt", "0", "watts" } } },
          { { "last_power", "120" } } },
        { "long form at exactly 10 W", {}, kPlain,
          { { "PC1001;", kAsked, { "power", "10", "pt", "0", "watts" } } }, {} },
        { "long form under 1 W", {}, kPlain,
          { { "PC0051;", kAsked, { "power", "0", "pt", "5", "watts" } } }, {} },
        { "unasked unchanged: silent, form still recorded", { "PC005;" }, kPlain,
          { { "PC0050;", kUnasked, {} } }, { { "firmware_format", "201D+" } } },
        { "unasked changed", { "PC005;" }, kPlain,
          { { "PC010;", kUnasked, { "power", "10", "watts" } } }, {} },
        { "not affected by the burst", {}, kQuiet,
          { { "PC005;", kAsked, { "power", "5", "watts" } } }, { { "reply_pending", "false" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(KeyerReply, SpeaksTheLastTwoDigitsAsTheyStand)
{
    const Script scripts[] = {
        { "asked", {}, kPlain,
          { { "KS020;", kAsked, { "speed", "20" } } }, { { "last_speed", "20" } } },
        { "unasked unchanged, then changed", { "KS020;" }, kPlain,
          { { "KS020;", kUnasked, {} }, { "KS025;", kUnasked, { "speed", "25" } } },
          { { "last_speed", "25" } } },
        { "leading zero kept", {}, kPlain,
          { { "KS008;", kAsked, { "speed", "08" } } }, { { "last_speed", "8" } } },
        { "not affected by the burst", {}, kQuiet,
          { { "KS030;", kUnasked, { "speed", "30" } } }, {} },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(SMeterReply, SpokenOnEveryReplyFromTheTable)
{
    const struct {
        const char *reply;
        Clips clips;
    } table[] = {
        { "BG00;", { "s", "0" } },
        { "BG01;", { "s", "1" } },
        { "BG02;", { "s", "2" } },
        { "BG03;", { "s", "3" } },
        { "BG04;", { "s", "5" } },
        { "BG05;", { "s", "7" } },
        { "BG06;", { "s", "9" } },
        { "BG07;", { "s", "9", "plus", "10" } },
        { "BG08;", { "s", "9", "plus", "20" } },
        { "BG09;", { "s", "9", "plus", "30" } },
        { "BG10;", { "s", "9", "plus", "40" } },
        { "BG11;", { "s", "9", "plus" } },
        { "BG12;", { "s", "0" } },
        { "BG14;", { "s", "2" } },
        { "BG22;", { "s", "9", "plus", "40" } },
        { "BG99;", { "s", "9", "plus" } },
        { "BG-5;", { "s" } },
        { "BG;", { "s", "0" } },
    };
    for (const auto &row : table) {
        // Twice, unasked then asked, in a burst: always spoken, always a normal end.
        run({ row.reply, {}, kQuiet,
              { { row.reply, kUnasked, row.clips }, { row.reply, kAsked, row.clips } },
              { { "reply_pending", "false" } } });
    }
}

// clang-format on

} // namespace
} // namespace vexalo::testing

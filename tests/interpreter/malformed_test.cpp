#include "script.h"

namespace vexalo::testing {
namespace {

// Fields beyond the end of a reply are empty and play as missing clips ("?" here); a digit
// field holding no digit reads as 0 and never counts as above "0".
// clang-format off
TEST(MalformedReplies, ShortOrGarbledFieldsHaveDefinedResults)
{
    const Clips missingFrequency = { "?", "?", "?", "?", "pt", "?", "?", "a" };
    const Script scripts[] = {
        { "status report cut after its prefix", {}, kPlain,
          { { "IF;", kAsked, missingFrequency } },
          { { "rx_vfo", "" }, { "last_mode", "" }, { "rit_offset", "" }, { "last_mhz", ";" } } },
        { "status report cut after the frequency", {}, kPlain,
          { { "IF0001402500", kAsked, { "14", "0", "2", "5", "pt", "0", "0", "a" } } }, {} },
        { "band digits that are no digits", {}, kPlain,
          { { statusReport({ .freq = "000:7040000", .band = '1' }), kUnasked, { "7", "pt", "0" } } }, {} },
        { "RIT digit that is no digit reads as off", { statusReport({ .rit = '1' }) }, kPlain,
          { { statusReport({ .rit = 'x' }), kUnasked, { "rit", "off" } } }, { { "rit_state", "0" } } },
        { "filter reply without fields", {}, kPlain,
          { { "FW;", kAsked, { "?", "hz" } } }, { { "last_filter", "" } } },
        { "filter reply cut inside the bandwidth", {}, kPlain,
          { { "FW15", kAsked, { "15", "hundred", "?", "hz" } } }, {} },
        { "AGC reply without fields", {}, kPlain, { { "GT;", kAsked, { "agc", "slow" } } }, {} },
        { "mode reply without fields", {}, kPlain,
          { { "MD;", kAsked, {} } }, { { "last_mode", ";" } } },
        { "noise blanker without fields: off, no level", {}, kPlain,
          { { "NB;", kAsked, { "nb" } } }, { { "last_nb", ";" }, { "last_nb_level", "" } } },
        { "keyer reply without fields", {}, kPlain,
          { { "KS;", kAsked, { "speed", "?" } } }, { { "last_speed", "0" } } },
        { "keyer digits that are no clip name", {}, kPlain,
          { { "KS0A;;", kAsked, { "speed", "?A;" } } }, {} },
        { "power reply without fields is the long form", {}, kPlain,
          { { "PC;", kAsked, { "power", "?", "pt", "?", "watts" } } },
          { { "firmware_format", "201D+" }, { "last_power", "0" } } },
        { "receive VFO without fields", { statusReport({ .vfo = '1' }) }, kPlain,
          { { "FR;", kAsked, {} } }, { { "rx_vfo", "1" } } },
        { "line noise before a prefix hides it", {}, kPlain,
          { { "\r\nIF;", kAsked, {} } }, { { "reply_pending", "false" }, { "last_mhz", "" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}
// clang-format on

// Whatever the reply, a query stays outstanding only when the reply starts a band-change burst.
TEST(MalformedReplies, EveryTruncationEndsByTheReplyPendingRule)
{
    const std::string samples[] = {
        statusReport({ .offset = "+0150", .rit = '1', .xit = '1', .split = '1', .band = '1' }),
        "BG05;",
        "FA00014025000;",
        "FB00014025000;",
        "FR1;",
        "FT1;",
        "FW15002;",
        "GT002;",
        "Q7;",
        "KS020;",
        "MD3;",
        "NB11;",
        "PA0;",
        "PC0551;",
        "RA01;",
        "LK0;",
    };
    for (const std::string &sample : samples) {
        for (std::size_t length = 0; length <= sample.size(); ++length) {
            const std::string reply = sample.substr(0, length);
            const Outcome outcome = interpret({}, reply, { .asked = true, .info = true });
            EXPECT_TRUE(outcome.end == End::Normal || outcome.state.quiet_update)
                << '"' << reply << '"';
        }
    }
}

} // namespace
} // namespace vexalo::testing

#include "script.h"

namespace vexalo::testing {
namespace {

// The tables keep one script to a few lines, laid out by hand.
// clang-format off

TEST(RxVfoReply, AnnouncesTheReceivingVfo)
{
    const Script scripts[] = {
        { "asked B", {}, kPlain,
          { { "FR1;", kAsked, { "rx", "vfo", "b" } } }, { { "rx_vfo", "1" } } },
        { "asked A", { "FR1;" }, kPlain,
          { { "FR0;", kAsked, { "rx", "vfo", "a" } } }, { { "rx_vfo", "0" } } },
        { "unasked change with split off: the letter only", { statusReport() }, kPlain,
          { { "FR1;", kUnasked, { "b" } } }, { { "rx_vfo", "1" } } },
        { "unasked change with split on: silent but recorded", { statusReport(), "FT1;" }, kPlain,
          { { "FR1;", kUnasked, {} } }, { { "rx_vfo", "1" } } },
        { "unasked same VFO", { "FR1;" }, kPlain, { { "FR1;", kUnasked, {} } }, {} },
        { "a status report's digit is the same VFO", { statusReport({ .vfo = '1' }) }, kPlain,
          { { "FR1;", kUnasked, {} } }, {} },
        { "unknown VFO counts as A", {}, kPlain,
          { { "FR0;", kUnasked, {} } }, { { "rx_vfo", "0" } } },
        { "burst: ignored, query kept", { statusReport() }, kQuiet,
          { { "FR1;", kAsked, {} } }, { { "rx_vfo", "0" }, { "reply_pending", "true" } } },
        { "unlisted digit: nothing recorded", { statusReport({ .vfo = '1' }) }, kPlain,
          { { "FR2;", kAsked, {} } }, { { "rx_vfo", "1" }, { "reply_pending", "false" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(TxVfoReply, SplitOnIsRepeatedSplitOffIsSaidOnce)
{
    const Script scripts[] = {
        { "on, on again, off, off again", { statusReport() }, kPlain,
          { { "FT1;", kUnasked, { "split", "a" } },
            { "FT1;", kUnasked, { "split", "a" } },
            { "FT0;", kUnasked, { "norm", "a" } },
            { "FT0;", kUnasked, {} } },
          { { "split_on", "false" }, { "tx_vfo", "0" } } },
        { "receiving on B", { statusReport({ .vfo = '1' }) }, kPlain,
          { { "FT0;", kUnasked, { "split", "b" } }, { "FT1;", kUnasked, { "norm", "b" } } }, {} },
        { "receive VFO from a status report digit, same VFO", { statusReport() }, kPlain,
          { { "FT0;", kUnasked, {} } }, { { "split_on", "false" } } },
        { "asked or not makes no difference", { statusReport() }, kPlain,
          { { "FT0;", kAsked, {} }, { "FT1;", kAsked, { "split", "a" } } },
          { { "reply_pending", "false" } } },
        { "unlisted digit keeps the transmit VFO", { statusReport(), "FT1;" }, kPlain,
          { { "FTx;", kUnasked, { "split", "a" } } }, { { "tx_vfo", "1" } } },
        { "burst: entering split is recorded silently, query kept", { statusReport() }, kQuiet,
          { { "FT1;", kAsked, {} } }, { { "split_on", "true" }, { "reply_pending", "true" } } },
        { "burst: leaving split is silent too", { statusReport(), "FT1;" }, kQuiet,
          { { "FT0;", kUnasked, {} } }, { { "split_on", "false" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

// clang-format on

TEST(IdentificationReply, MarksTheRadioFoundSilently)
{
    for (const char *reply : { "Q7;", "Q72;", "Q7" }) {
        run({ reply,
              {},
              kQuiet,
              { { reply, kAsked, {} } },
              { { "radio_found", "true" }, { "reply_pending", "false" } } });
    }
}

} // namespace
} // namespace vexalo::testing

#include "script.h"

namespace vexalo::testing {
namespace {

// The tables keep one script to a few lines, laid out by hand.
// clang-format off

TEST(FilterReply, BandwidthIsSpokenInWords)
{
    const struct {
        const char *bandwidth;
        Clips clips;
    } cases[] = {
        { "1500", { "15", "hundred", "hz" } },
        { "2700", { "27", "hundred", "hz" } },
        { "2100", { "21", "hundred", "hz" } },
        { "0250", { "2", "hundred", "50", "hz" } },
        { "0400", { "4", "hundred", "hz" } },
        { "0050", { "50", "hz" } },
        { "0005", { "05", "hz" } },
        { "1050", { "1", "thousand", "50", "hz" } },
        { "2050", { "2", "thousand", "50", "hz" } },
        { "1000", { "1", "thousand", "hz" } },
        { "2000", { "2", "thousand", "hz" } },
        { "0000", { "0", "hz" } },
        // Characters that are no digits never count as above zero.
        { "A500", { "5", "hundred", "hz" } },
        { ":000", { "hz" } },
    };
    for (const auto &c : cases) {
        Clips expected = { "fl2" };
        expected.insert(expected.end(), c.clips.begin(), c.clips.end());
        run({ c.bandwidth, {}, kPlain,
              { { "FW" + std::string(c.bandwidth) + "2;", kAsked, expected } }, {} });
    }
}

TEST(FilterReply, OnlyANewFilterNumberIsNews)
{
    const Script scripts[] = {
        { "first unasked report counts as new", {}, kPlain,
          { { "FW24001;", kUnasked, { "fl1", "24", "hundred", "hz" } } },
          { { "last_filter", "1" } } },
        { "new filter number, unasked", { "FW15002;" }, kPlain,
          { { "FW27003;", kUnasked, { "fl3", "27", "hundred", "hz" } } },
          { { "last_filter", "3" } } },
        { "same filter, new bandwidth, unasked: silent", { "FW15002;" }, kPlain,
          { { "FW27002;", kUnasked, {} } }, {} },
        { "asked with an unlisted filter: bandwidth only", {}, kPlain,
          { { "FW15005;", kAsked, { "15", "hundred", "hz" } } },
          { { "last_filter", "5" }, { "reply_pending", "false" } } },
        { "burst: recorded silently, query kept", { "FW15002;" }, kQuiet,
          { { "FW27003;", kAsked, {} } },
          { { "last_filter", "3" }, { "reply_pending", "true" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(AgcReply, FastOrSlow)
{
    const Script scripts[] = {
        { "asked fast", {}, kPlain,
          { { "GT002;", kAsked, { "agc", "fast" } } }, { { "last_agc", "2" } } },
        { "asked slow", {}, kPlain, { { "GT004;", kAsked, { "agc", "slow" } } }, {} },
        { "any other character is slow", {}, kPlain,
          { { "GT00x;", kAsked, { "agc", "slow" } } }, {} },
        { "unasked unchanged", { "GT002;" }, kPlain, { { "GT002;", kUnasked, {} } }, {} },
        { "unasked changed", { "GT002;" }, kPlain,
          { { "GT004;", kUnasked, { "agc", "slow" } } }, { { "last_agc", "4" } } },
        { "burst: recorded silently, query kept", { "GT002;" }, kQuiet,
          { { "GT004;", kAsked, {} } }, { { "last_agc", "4" }, { "reply_pending", "true" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(ModeReply, UsesTheModeTableAndIgnoresTheBurst)
{
    const struct {
        char digit;
        Clips clips;
    } table[] = {
        { '1', { "lsb" } }, { '2', { "usb" } }, { '3', { "cw" } }, { '6', { "data" } },
        { '7', { "cwr" } }, { '9', { "datar" } },
        { '0', {} }, { '4', {} }, { '5', {} }, { '8', {} },
    };
    for (const auto &m : table) {
        run({ std::string("asked ") + m.digit, {}, kPlain,
              { { std::string("MD") + m.digit + ";", kAsked, m.clips } },
              { { "last_mode", std::string(1, m.digit) } } });
    }
    const Script scripts[] = {
        { "unasked new mode", { "MD2;" }, kPlain, { { "MD7;", kUnasked, { "cwr" } } }, {} },
        { "unasked same mode", { "MD7;" }, kPlain, { { "MD7;", kUnasked, {} } }, {} },
        { "mode recorded by a status report is the same mode", { statusReport({ .mode = '3' }) }, kPlain,
          { { "MD3;", kUnasked, {} } }, {} },
        { "burst: spoken all the same, normal end", {}, kQuiet,
          { { "MD7;", kAsked, { "cwr" } } },
          { { "reply_pending", "false" }, { "quiet_update", "true" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(NoiseBlankerReply, SettingLevelAndTheEndOfTheBurst)
{
    const Script scripts[] = {
        { "switched on at low level", { "NB00;" }, kPlain,
          { { "NB11;", kUnasked, { "nb", "1", "low" } } },
          { { "last_nb", "1" }, { "last_nb_level", "1" } } },
        { "switched off, level unchanged", { "NB20;" }, kPlain,
          { { "NB00;", kUnasked, { "nb", "off" } } }, {} },
        { "asked while on", {}, kPlain, { { "NB20;", kAsked, { "nb", "2", "hi" } } }, {} },
        { "asked while off: no level", {}, kPlain,
          { { "NB01;", kAsked, { "nb", "off" } } }, {} },
        { "level moved while off: recorded silently", { "NB00;" }, kPlain,
          { { "NB01;", kUnasked, {} } }, { { "last_nb_level", "1" } } },
        { "level moved while on", { "NB10;" }, kPlain,
          { { "NB11;", kUnasked, { "low" } } }, {} },
        { "unlisted setting still says nb and counts as on", {}, kPlain,
          { { "NB31;", kAsked, { "nb", "low" } } }, { { "last_nb", "3" } } },
        { "burst: ends it silently, query kept for the next one", { "NB00;" }, kQuiet,
          { { "NB21;", kAsked, {} }, { "NB11;", kUnasked, { "nb", "1", "low" } } },
          { { "quiet_update", "false" }, { "reply_pending", "false" },
            { "last_nb_level", "1" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(PreampAndAttenuator, FirstReportsAndTheBurst)
{
    const Script scripts[] = {
        { "preamp: first unasked off is news", {}, kPlain,
          { { "PA0;", kUnasked, { "pre", "off" } } }, { { "preamp_off", "true" } } },
        { "preamp: first unasked on is not", {}, kPlain,
          { { "PA1;", kUnasked, {} } }, { { "preamp_off", "" } } },
        { "preamp: asked while on", { "PA0;", "PA1;" }, kPlain,
          { { "PA1;", kAsked, { "pre", "on" } }, { "PA1;", kUnasked, {} } },
          { { "preamp_off", "false" } } },
        { "preamp: burst records, query kept", {}, kQuiet,
          { { "PA0;", kAsked, {} } }, { { "preamp_off", "true" }, { "reply_pending", "true" } } },
        { "preamp: unlisted digit changes nothing", { "PA0;" }, kPlain,
          { { "PA2;", kAsked, {} } }, { { "preamp_off", "true" }, { "reply_pending", "false" } } },
        { "attenuator: asked off", {}, kPlain,
          { { "RA00;", kAsked, { "att", "off" } } }, { { "att_on", "false" } } },
        { "attenuator: first unasked on is news", {}, kPlain,
          { { "RA01;", kUnasked, { "att", "on" } } }, { { "att_on", "true" } } },
        { "attenuator: first unasked off is not", {}, kPlain,
          { { "RA00;", kUnasked, {} } }, { { "att_on", "" } } },
        { "attenuator: unasked unchanged", { "RA01;" }, kPlain,
          { { "RA01;", kUnasked, {} } }, {} },
        { "attenuator: burst records, query kept", { "RA01;" }, kQuiet,
          { { "RA00;", kAsked, {} } }, { { "att_on", "false" }, { "reply_pending", "true" } } },
        { "attenuator: unlisted digit changes nothing", { "RA01;" }, kPlain,
          { { "RA02;", kAsked, {} } }, { { "att_on", "true" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

// clang-format on

} // namespace
} // namespace vexalo::testing

#include "script.h"

namespace vexalo::testing {
namespace {

const Clips k14025 = { "14", "0", "2", "5", "pt", "0", "0" };

Clips operator+(Clips a, const Clips &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The tables keep one script to a few lines, laid out by hand.
// clang-format off

TEST(StatusReport, NormalPathSpeaksWhatWasAskedForOrWhatChanged)
{
    const Script scripts[] = {
        { "asked: frequency, letter, mode; nothing about RIT, XIT or split", {}, kPlain,
          { { statusReport(), kAsked, k14025 + Clips { "a", "usb" } } },
          { { "reply_pending", "false" }, { "rx_vfo", "0" }, { "last_mode", "2" },
            { "rit_state", "0" }, { "xit_state", "0" }, { "rit_offset", "+0000" },
            { "last_mhz", "00014" }, { "quiet_update", "false" } } },
        { "asked during Info with split on: split after the letter", {}, kInfo,
          { { statusReport({ .split = '1' }), kAsked, k14025 + Clips { "a", "split", "usb" } } }, {} },
        { "split digit outside an Info query is not spoken", {}, kPlain,
          { { statusReport({ .split = '1' }), kAsked, k14025 + Clips { "a", "usb" } } }, {} },
        { "asked on VFO B ends with b", {}, kPlain,
          { { statusReport({ .mode = '3', .vfo = '1' }), kAsked, k14025 + Clips { "b", "cw" } } },
          { { "rx_vfo", "1" } } },
        { "unasked and unchanged: silent, values kept", { statusReport() }, kPlain,
          { { statusReport(), kUnasked, {} } }, { { "last_mode", "2" }, { "reply_pending", "false" } } },
        { "unasked: frequency and VFO are never spoken", { statusReport() }, kPlain,
          { { statusReport({ .freq = "00014030000", .vfo = '1' }), kUnasked, {} } }, { { "rx_vfo", "1" } } },
        { "unasked mode change", { statusReport() }, kPlain,
          { { statusReport({ .mode = '7' }), kUnasked, { "cwr" } } }, { { "last_mode", "7" } } },
        { "unlisted mode digit: nothing played, still recorded", { statusReport() }, kPlain,
          { { statusReport({ .mode = '4' }), kUnasked, {} },
            { statusReport({ .mode = '4' }), kAsked, k14025 + Clips { "a" } } },
          { { "last_mode", "4" } } },
        { "RIT switched on: rit and the offset", { statusReport() }, kPlain,
          { { statusReport({ .offset = "+0150", .rit = '1' }), kUnasked,
              { "rit", "plus", "1", "5", "0", "hz" } } },
          { { "rit_state", "1" }, { "rit_offset", "+0150" } } },
        { "RIT switched off", { statusReport({ .rit = '1' }) }, kPlain,
          { { statusReport(), kUnasked, { "rit", "off" } } }, { { "rit_state", "0" } } },
        { "RIT and XIT on together: the offset once, then xit on", { statusReport() }, kPlain,
          { { statusReport({ .offset = "-1250", .rit = '1', .xit = '1' }), kUnasked,
              { "rit", "minus", "1", "pt", "2", "5", "0", "xit", "on" } } },
          { { "xit_state", "1" } } },
        { "XIT alone on speaks the offset", { statusReport() }, kPlain,
          { { statusReport({ .offset = "+0005", .xit = '1' }), kUnasked, { "xit", "plus", "5", "hz" } } },
          {} },
        { "XIT off while RIT stays on", { statusReport({ .rit = '1', .xit = '1' }) }, kPlain,
          { { statusReport({ .rit = '1' }), kUnasked, { "xit", "off" } } }, {} },
        { "asked with RIT on repeats RIT and its offset",
          { statusReport({ .offset = "+1250", .rit = '1' }) }, kPlain,
          { { statusReport({ .offset = "+1250", .rit = '1' }), kAsked,
              k14025 + Clips { "a", "usb", "rit", "plus", "1", "pt", "2", "5", "0" } } },
          {} },
        { "offset moved with RIT on: recorded silently",
          { statusReport({ .offset = "+0150", .rit = '1' }) }, kPlain,
          { { statusReport({ .offset = "+0200", .rit = '1' }), kUnasked, {} } },
          { { "rit_offset", "+0200" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(StatusReport, BandChangeSpeaksOnlyTheBandAndRecordsQuietly)
{
    const std::string short201B = "PC005;";
    const std::string long201D = "PC0551;";
    const Status at14200 { .freq = "00014200000" };
    const Status at21200 { .freq = "00021200000" };
    const Script scripts[] = {
        { "flag at 7.04 MHz: 7 pt 0 and the query stays pending", {}, kPlain,
          { { statusReport({ .freq = "00007040000", .offset = "+0150", .rit = '1', .mode = '3', .vfo = '1',
                   .band = '1' }),
              kAsked, { "7", "pt", "0" } } },
          { { "quiet_update", "true" }, { "reply_pending", "true" }, { "last_mode", "3" },
            { "rx_vfo", "1" }, { "rit_state", "1" }, { "rit_offset", "+0150" },
            { "last_mhz", "00007" } } },
        { "144.1 MHz: 1 then 44", {}, kPlain,
          { { statusReport({ .freq = "00144100000", .band = '1' }), kUnasked, { "1", "44" } } }, {} },
        { "10.1 MHz: 10", {}, kPlain,
          { { statusReport({ .freq = "00010100000", .band = '1' }), kUnasked, { "10" } } }, {} },
        { "1.8 MHz: 1 pt 8", {}, kPlain,
          { { statusReport({ .freq = "00001812500", .band = '1' }), kUnasked, { "1", "pt", "8" } } }, {} },
        { "burst still on: every report repeats the band", {}, kQuiet,
          { { statusReport(at21200), kUnasked, { "21" } }, { statusReport(at21200), kAsked, { "21" } } },
          { { "quiet_update", "true" }, { "reply_pending", "true" } } },
        { "short power form: a new megahertz number is a band change",
          { short201B, statusReport(at14200) }, kPlain,
          { { statusReport(at21200), kUnasked, { "21" } } }, { { "quiet_update", "true" } } },
        { "short power form: same megahertz is no band change", { short201B, statusReport(at14200) },
          kPlain, { { statusReport({ .freq = "00014250000" }), kUnasked, {} } },
          { { "quiet_update", "false" } } },
        { "short power form: the first report after it counts as a change", { short201B },
          kPlain, { { statusReport(), kUnasked, { "14" } } }, { { "quiet_update", "true" } } },
        { "long power form: only the flag counts", { long201D, statusReport(at14200) }, kPlain,
          { { statusReport(at21200), kUnasked, {} } },
          { { "quiet_update", "false" }, { "last_mhz", "00021" } } },
        { "no power reply yet: only the flag counts", { statusReport(at14200) }, kPlain,
          { { statusReport(at21200), kUnasked, {} } }, { { "quiet_update", "false" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(StatusReport, LockPollIsPausedAndResumedByTheLockBox)
{
    const Script scripts[] = {
        { "lock checked: resumed after the report", { statusReport() }, kLock,
          { { statusReport(), kUnasked, {} } }, { { "Timer1", "enabled" } } },
        { "lock unchecked: left off", { statusReport() }, kTimerRunning,
          { { statusReport(), kAsked, k14025 + Clips { "a", "usb" } } }, { { "Timer1", "disabled" } } },
        { "band path does not touch it", {}, kTimerRunning,
          { { statusReport({ .band = '1' }), kUnasked, { "14" } } }, { { "Timer1", "enabled" } } },
        { "band path does not start it either", {}, kLock,
          { { statusReport({ .band = '1' }), kUnasked, { "14" } } }, { { "Timer1", "disabled" } } },
    };
    for (const Script &s : scripts) {
        run(s);
    }
}

TEST(StatusReport, BandChangeBurstFromItsReportToTheClosingNoiseBlanker)
{
    // The operator asked for the AGC just as the band changed; the radio's burst follows.
    run({ "burst",
          { statusReport(), "FA00014025000;", "FT0;", "FW27002;", "GT002;", "PA0;", "PA1;", "RA00;",
            "NB10;" },
          kPlain,
          { { statusReport({ .freq = "00007040000", .band = '1' }), kAsked, { "7", "pt", "0" } },
            { "FA00007040000;", kUnasked, {} },
            { "FB00014025000;", kUnasked, {} },
            { "FR1;", kUnasked, {} },
            { "FT1;", kUnasked, {} },
            { "FW05004;", kUnasked, {} },
            { "GT004;", kUnasked, {} },
            { "PA0;", kUnasked, {} },
            { "RA01;", kUnasked, {} },
            { "NB01;", kUnasked, {} },
            { "GT004;", kUnasked, { "agc", "slow" } } },
          { { "quiet_update", "false" }, { "reply_pending", "false" },
            { "last_freq_a", "0704000" }, { "last_freq_b", "1402500" }, { "rx_vfo", "0" },
            { "tx_vfo", "1" }, { "split_on", "true" }, { "last_filter", "4" },
            { "last_agc", "4" }, { "preamp_off", "true" }, { "att_on", "true" },
            { "last_nb", "0" }, { "last_nb_level", "1" } } });
}

// clang-format on

} // namespace
} // namespace vexalo::testing

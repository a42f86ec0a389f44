// Where every control of the main window stands, what its caption says and, for the twelve
// plain queries, which command its click sends. Lengths are twips, the unit the window was
// designed in; twipsToPixels turns them into logical pixels, which Qt scales on dense screens.
#pragma once

#include "commands.h"
#include "q7status.h"

#include <array>
#include <string_view>

namespace vexalo::window {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kClientWidth = 4944;
inline constexpr int kClientHeight = 3900;

inline constexpr std::array<int, 3> kColumnLeft { 480, 1860, 3240 };
inline constexpr std::array<int, 7> kRowTop { 180, 600, 1020, 1440, 1860, 2280, 2700 };
inline constexpr int kButtonWidth = 1152;
inline constexpr int kButtonHeight = 432;
inline constexpr double kButtonPoints = 12.0;
inline constexpr double kDebugPoints = 7.8;
inline constexpr double kWindowPoints = 8.0;

struct SimpleQueryButton {
    Q7Status::SimpleQuery query;
    const char *name;
    const char *caption;
    std::string_view command;
    int column;
    int row;
};

inline constexpr std::array<SimpleQueryButton,
                            static_cast<std::size_t>(Q7Status::SimpleQuery::Count)>
    kSimpleQueries { {
        { Q7Status::SimpleQuery::VfoA, "GetVFO_A", "VFO &A", commands::kVfoA, 0, 1 },
        { Q7Status::SimpleQuery::VfoB, "GetVFO_B", "VFO &B", commands::kVfoB, 0, 2 },
        { Q7Status::SimpleQuery::RxVfo, "RX_VFO", "&RX VFO", commands::kRxVfo, 0, 3 },
        { Q7Status::SimpleQuery::Mode, "Mode_get", "&Mode", commands::kMode, 0, 4 },
        { Q7Status::SimpleQuery::Filter, "filter_get", "&Filter", commands::kFilter, 0, 6 },
        { Q7Status::SimpleQuery::SMeter, "S_Meter_get", "&S-Meter", commands::kSMeter, 1, 0 },
        { Q7Status::SimpleQuery::Agc, "AGC_get", "A&GC", commands::kAgc, 1, 1 },
        { Q7Status::SimpleQuery::Keyer, "Keyer_get", "&Keyer", commands::kKeyer, 1, 2 },
        { Q7Status::SimpleQuery::Power, "Power_get", "P&wr Set", commands::kPower, 1, 3 },
        { Q7Status::SimpleQuery::PreAmp, "PreAmp_get", "&PreAmp", commands::kPreamp, 1, 4 },
        { Q7Status::SimpleQuery::NoiseBlanker, "NB_get", "&NB", commands::kNoiseBlanker, 1, 5 },
        { Q7Status::SimpleQuery::Attenuator, "Attn_get", "ATT&EN", commands::kAttenuator, 1, 6 },
    } };

constexpr bool simpleQueriesInDispatchOrder()
{
    for (std::size_t i = 0; i < kSimpleQueries.size(); ++i) {
        if (static_cast<std::size_t>(kSimpleQueries[i].query) != i) {
            return false;
        }
    }
    return true;
}
static_assert(simpleQueriesInDispatchOrder());

constexpr const SimpleQueryButton &simpleQueryButton(Q7Status::SimpleQuery query)
{
    return kSimpleQueries[static_cast<std::size_t>(query)];
}

// The buttons that do more than send: each has its own handler.
struct CommandButton {
    const char *name;
    const char *caption;
    TwipRect place;
    double points;
    void (Q7Status::*handler)();
};

inline constexpr std::array<CommandButton, 5> kCommandButtons { {
    { "GetInfo",
      "&Info",
      { 480, 180, kButtonWidth, kButtonHeight },
      kButtonPoints,
      &Q7Status::GetInfo_Click },
    { "RIT_get",
      "RI&T/XIT",
      { 480, 2280, kButtonWidth, kButtonHeight },
      kButtonPoints,
      &Q7Status::RIT_get_Click },
    { "exit_pgm",
      "E&xit",
      { 3240, 2700, kButtonWidth, kButtonHeight },
      kButtonPoints,
      &Q7Status::exit_pgm_Click },
    { "Radio_init",
      "Reinitiali&ze Q7",
      { 3240, 180, 1272, 492 },
      9.6,
      &Q7Status::Radio_init_Click },
    // The debug area below the client area; hidden by the start-up sequence.
    { "send_cmd", "SEND", { 3960, 4500, 852, 252 }, kDebugPoints, &Q7Status::send_cmd_Click },
} };

inline constexpr TwipRect kDebugSendPlace { 1080, 4440, 2772, 672 };
inline constexpr TwipRect kText1Place { 4920, 4440, 4812, 732 };
inline constexpr TwipRect kLabel4Place { 1140, 4200, 1692, 192 };
inline constexpr TwipRect kLabel10Place { 4980, 4140, 1692, 252 };
inline constexpr TwipRect kLabel1Place { 300, 3360, 3312, 432 };
// Only an 84-twip sliver of it lies inside the client area.
inline constexpr TwipRect kLockKeyModePlace { 4860, 3720, 1692, 252 };

inline constexpr const char *kHelpLine
    = "ALT keys also select desired functions.        (Use underlined letters for each command.)";

// Every control in the order of its tab index. Tab skips the hidden ones, the labels and the
// lock box; a screen reader's review of the window follows the same order.
inline constexpr std::array<const char *, 23> kDesignOrder {
    "send_cmd",    "Debug_send", "Text1",      "Label4",   "Label10",     "GetInfo",
    "GetVFO_A",    "GetVFO_B",   "RX_VFO",     "Mode_get", "Label1",      "RIT_get",
    "LockKeyMode", "Power_get",  "Keyer_get",  "AGC_get",  "S_Meter_get", "Attn_get",
    "NB_get",      "PreAmp_get", "filter_get", "exit_pgm", "Radio_init",
};

} // namespace vexalo::window

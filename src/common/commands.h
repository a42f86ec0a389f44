// Every command text the program sends to the radio, spelled in one place. Letter case is part
// of each command: the operator's queries and report-mode commands are upper case, the start-up
// handshake, the lock poll, the RIT/XIT query and the shutdown command lower case.
#pragma once

#include <string_view>

namespace vexalo::commands {

// Start-up handshake.
inline constexpr std::string_view kIdentify = "id;";
inline constexpr std::string_view kIdentifyQ7Twice = "q72;q7;";
inline constexpr std::string_view kIdentifyQ7 = "q7;";
inline constexpr std::string_view kAutoInfoOffQuiet = "ai0;";
inline constexpr std::string_view kPrimePower = "pc;";
inline constexpr std::string_view kPrimeStatus = "if;";
inline constexpr std::string_view kPrimeRxVfo = "fr;";
inline constexpr std::string_view kPrimeTxVfo = "ft;";
inline constexpr std::string_view kPrimeKeyer = "ks;";
inline constexpr std::string_view kPrimeAgc = "gt;";
inline constexpr std::string_view kPrimePreamp = "pa;";
inline constexpr std::string_view kPrimeAttenuator = "ra;";
inline constexpr std::string_view kPrimeFilter = "fw;";
inline constexpr std::string_view kPrimeNoiseBlanker = "nb;";

// Report modes.
inline constexpr std::string_view kAutoInfoOff = "AI0;";
inline constexpr std::string_view kAutoInfoOn = "AI2;";

// Operator queries.
inline constexpr std::string_view kInfo = "IF;";
inline constexpr std::string_view kRitXit = "if;";
inline constexpr std::string_view kVfoA = "FA;";
inline constexpr std::string_view kVfoB = "FB;";
inline constexpr std::string_view kRxVfo = "FR;";
inline constexpr std::string_view kMode = "MD;";
inline constexpr std::string_view kFilter = "FW;";
inline constexpr std::string_view kSMeter = "BG;";
inline constexpr std::string_view kAgc = "GT;";
inline constexpr std::string_view kKeyer = "KS;";
inline constexpr std::string_view kPower = "PC;";
inline constexpr std::string_view kPreamp = "PA;";
inline constexpr std::string_view kNoiseBlanker = "NB;";
inline constexpr std::string_view kAttenuator = "RA;";

// Lock poll and shutdown.
inline constexpr std::string_view kLockPoll = "lk;";
inline constexpr std::string_view kRelease = "q70;";

} // namespace vexalo::commands

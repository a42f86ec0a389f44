// The three report modes as the program handles them. The settings file may hold anything in
// the mode's place, and whatever it held is written back unchanged, so the persisted value
// stays a SettingValue; it is turned into a mode only where a mode is applied.
#pragma once

#include "setting_value.h"

#include <optional>

namespace vexalo {

// The numbers are those of the settings file; 2 was never used.
enum class ReportMode { Manual = 0, SemiAuto = 1, FullAuto = 3 };

inline std::optional<ReportMode> reportModeOf(const SettingValue &stored)
{
    for (const ReportMode mode :
         { ReportMode::Manual, ReportMode::SemiAuto, ReportMode::FullAuto }) {
        if (stored.equalsNumber(static_cast<int>(mode))) {
            return mode;
        }
    }
    return std::nullopt;
}

inline SettingValue toSetting(ReportMode mode)
{
    return SettingValue(static_cast<int>(mode));
}

} // namespace vexalo

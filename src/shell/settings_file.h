// The settings file "vexalo.ini": one line of three comma-separated fields (port, report mode,
// greeting) ended by CR LF. Numbers are plain decimals, booleans "#TRUE#"/"#FALSE#", texts are
// quoted, unset values are empty fields. Whatever a field held is read back as it was and
// written back unchanged, so a hand-edited file never loses a value the program does not use.
#pragma once

#include "setting_value.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QString;

namespace vexalo {

inline constexpr const char *kSettingsFileName = "vexalo.ini";
// Far more than any settings line, even one with 30,000-digit fields; a larger file is
// something else, and is neither read nor replaced.
inline constexpr std::uintmax_t kMaxSettingsFileBytes = 64 * 1024;

struct SettingsRead {
    std::array<SettingValue, 3> fields;
    int count = 0; // how many fields the file held before it ended
    bool complete() const { return count == static_cast<int>(fields.size()); }
};

SettingsRead parseSettings(std::string_view content);

std::string formatSetting(const SettingValue &value);
std::string formatSettingsLine(const SettingValue &commPort, const SettingValue &reportMode,
                               const SettingValue &greetingOn);

enum class SettingsFileRead {
    Read,
    Missing, // nothing at that path: the only case in which a new file may be created
    Unreadable, // something is there but cannot be read as a file: left untouched
};

// Reads the whole file. Only a regular file (or a link to one) of at most kMaxSettingsFileBytes
// is read; the call never blocks.
SettingsFileRead readSettingsFile(const QString &path, std::string &content);

// Replaces the file through a temporary beside it, so that a crash, a full disk or a power cut
// in the middle leaves the old settings intact rather than an empty or half-written file; where
// the folder allows no temporary, writes in place. A link is written through to its target, and
// the file keeps its permissions. False, with nothing changed, when the path holds anything but
// a readable regular file of at most kMaxSettingsFileBytes or the file cannot be written.
bool writeSettingsFile(const QString &path, const std::string &content);

} // namespace vexalo

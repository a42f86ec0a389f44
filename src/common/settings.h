// The three settings kept between runs: the port, the report mode and the greeting, as the
// settings file holds them (anything the file held survives a run unchanged). The shell owns
// them and reads and writes the file; the port choice writes the port, the window's option
// commands the report mode and the greeting, and the handshake reads them.
#pragma once

#include "setting_value.h"

#include <string>
#include <utility>
#include <vector>

namespace vexalo {

struct Settings {
    SettingValue comm_port;
    SettingValue report_mode; // 0 Manual, 1 Semi Auto, 3 Full Auto
    SettingValue greeting_on;

    // Each setting as name and printed value (unset prints empty), for state dumps.
    std::vector<std::pair<std::string, std::string>> describe() const;
};

// A number in plain decimal notation with up to 15 significant digits, always with '.'.
std::string formatNumber(double value);

// A setting printed the way a state dump shows it (numbers without a needless fraction).
std::string describeSetting(const SettingValue &value);

} // namespace vexalo

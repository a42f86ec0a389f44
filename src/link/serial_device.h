// Which device a port number names, which differs by platform: one file per platform in posix/
// and windows/ implements it. Relies on nothing but Qt Core.
#pragma once

#include <QString>

#include <optional>
#include <string_view>

namespace vexalo {

// The device for a port number, or nothing when the number is no port at all.
std::optional<QString> serialDeviceFor(int portNumber);

// One sentence for --help on what Comm1 to Comm10 are here.
std::string_view serialPortsHelp();

} // namespace vexalo

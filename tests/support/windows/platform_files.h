// Windows has no named pipes in the file system, no /dev/full and no comN links: the tests
// leave out what needs them (see posix/platform_files.h).
#pragma once

#include <filesystem>

namespace vexalo::testing {

inline bool makeNamedPipe(const std::filesystem::path &)
{
    return false;
}

inline const char *failingDevice()
{
    return nullptr;
}

inline constexpr bool kPortsAreLinks = false;

} // namespace vexalo::testing

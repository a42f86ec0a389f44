// Files that some tests make and only some platforms have: named pipes, links as Comm ports, a
// device that every write fails on. windows/platform_files.h has none of them, and the tests
// that need one leave that case out there.
#pragma once

#include <sys/stat.h>

#include <filesystem>

namespace vexalo::testing {

inline bool makeNamedPipe(const std::filesystem::path &path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

inline const char *failingDevice()
{
    return "/dev/full";
}

inline constexpr bool kPortsAreLinks = true;

} // namespace vexalo::testing

// Windows has no named pipes in the file system, no /dev/full, no comN links, no stream into
// memory and no limit on a file's size: the tests leave out what needs them (see
// posix/platform_files.h). Its German locale comes with the system.
#pragma once

#include <clocale>
#include <cstdint>
#include <cstdio>
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

inline std::FILE *openMemoryStream(char **, std::size_t *)
{
    return nullptr;
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uintmax_t) { }
    bool active() const { return false; }
};

inline bool useCommaLocale()
{
    return std::setlocale(LC_ALL, "de-DE") != nullptr
        || std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
}

} // namespace vexalo::testing

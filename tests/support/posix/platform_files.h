// Files that some tests make and only some platforms have: named pipes, links as Comm ports, a
// device that every write fails on, a stream into memory, a limit on a file's size; and the
// German locale, whose decimal mark is a comma. windows/platform_files.h has only the locale,
// and the tests that need one of the others leave that case out.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

inline std::FILE *openMemoryStream(char **text, std::size_t *size)
{
    return open_memstream(text, size);
}

// Writes past `bytes` fail while it lives, as on a full disk, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = m_old;
        tiny.rlim_cur = bytes;
        m_active = m_active && setrlimit(RLIMIT_FSIZE, &tiny) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

// Switches the C library to German (decimal comma), built privately with localedef so that the
// machine's own set of locales does not matter; false when it cannot be had.
inline bool useCommaLocale()
{
    const auto dir = std::filesystem::temp_directory_path() / "vexalo-locale-test";
    std::filesystem::create_directories(dir);
    const std::string build
        = "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) {
        return false;
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace vexalo::testing

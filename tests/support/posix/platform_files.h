// Files that some tests make and only some platforms have: named pipes, links as Comm ports, a
// device that every write fails on, a stream into memory, a limit on a file's size.
// windows/platform_files.h has none of them, and the tests that need one leave that case out.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
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

} // namespace vexalo::testing

#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexalo {

RegularFile::RegularFile(const std::filesystem::path &path, std::uintmax_t maxBytes)
    : m_maxBytes(maxBytes)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_outcome = errno == ENOENT ? Outcome::Missing : Outcome::Refused;
        return;
    }
    struct stat status { };
    if (::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode)
        && static_cast<std::uintmax_t>(status.st_size) <= maxBytes) {
        m_outcome = Outcome::Opened;
    }
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::optional<std::string> RegularFile::readAll()
{
    if (!opened()) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got == 0) {
            return content;
        }
        if (got < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > m_maxBytes) {
                return std::nullopt; // it grew past the bound since it was opened
            }
        }
    }
}

} // namespace vexalo

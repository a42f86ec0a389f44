// Windows: the C runtime's descriptors, which libsndfile's sf_open_fd also takes. Binary mode,
// so that the settings file's CR LF reach the reader as written.
#include "regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace vexalo {

RegularFile::RegularFile(const std::filesystem::path &path, std::uintmax_t maxBytes)
    : m_maxBytes(maxBytes)
{
    m_fd = ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (m_fd < 0) {
        m_outcome = errno == ENOENT ? Outcome::Missing : Outcome::Refused;
        return;
    }
    struct _stat64 status { };
    if (::_fstat64(m_fd, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG
        && static_cast<std::uintmax_t>(status.st_size) <= maxBytes) {
        m_outcome = Outcome::Opened;
    }
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0) {
        ::_close(m_fd);
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
        const int got = ::_read(m_fd, buffer, sizeof buffer);
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

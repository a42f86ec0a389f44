// Opening a file the operator may have replaced by anything. A named pipe blocks open() until
// a writer comes, a device never ends, a huge file would be read whole: only a regular file of
// bounded size is opened, without blocking, and it is checked through the open descriptor, so
// nothing can be swapped in between the check and the read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vexalo {

class RegularFile {
public:
    enum class Outcome { Opened, Missing, Refused };

    RegularFile(const std::filesystem::path &path, std::uintmax_t maxBytes);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    // Refused: there but not readable, not a regular file, or larger than maxBytes.
    Outcome outcome() const { return m_outcome; }
    bool opened() const { return m_outcome == Outcome::Opened; }
    // Owned by this object; valid while it lives and the file was opened.
    int descriptor() const { return m_fd; }

    // The whole content, or nothing when it was not opened, a read failed or it has grown past
    // maxBytes.
    std::optional<std::string> readAll();

private:
    int m_fd = -1;
    std::uintmax_t m_maxBytes;
    Outcome m_outcome = Outcome::Refused;
};

} // namespace vexalo

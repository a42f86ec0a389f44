#include "transcript.h"

#include "announcement_log.h"
#include "logging.h"

#include <cerrno>
#include <cstring>

namespace vexalo {

Transcript::Transcript(const AnnouncementLog &log, std::FILE *out) : m_out(out)
{
    connect(&log, &AnnouncementLog::added, this, &Transcript::write);
}

void Transcript::write(const LoggedAnnouncement &entry)
{
    if (m_out == nullptr || !entry.spoken) {
        return;
    }
    const QByteArray line = entry.text.toUtf8() + '\n';
    if (std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_out)
            != static_cast<std::size_t>(line.size())
        || std::fflush(m_out) != 0) {
        qCWarning(lcShell, "transcript stopped: %s", std::strerror(errno));
        m_out = nullptr;
    }
}

} // namespace vexalo

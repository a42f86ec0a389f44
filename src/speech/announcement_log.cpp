#include "announcement_log.h"

namespace vexalo {

QString LoggedAnnouncement::line() const
{
    return time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + text;
}

AnnouncementLog::AnnouncementLog(ClipWords words, std::function<QTime()> clock)
    : m_words(std::move(words)), m_clock(std::move(clock))
{
}

void AnnouncementLog::announced(const Announcement &heard)
{
    Clips clips = heard.clips();
    if (m_entries.size() == kCapacity) {
        m_entries.pop_front();
    }
    // A copy goes out, so that nothing a follower does can pull the entry from under it.
    const QString text = QString::fromStdString(m_words.line(clips));
    const LoggedAnnouncement entry { m_clock(), std::move(clips), text };
    m_entries.push_back(entry);
    emit added(entry);
}

} // namespace vexalo

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

void AnnouncementLog::announced(const std::vector<std::string> &clips)
{
    if (m_entries.size() == kCapacity) {
        m_entries.pop_front();
    }
    // A copy goes out, so that nothing a follower does can pull the entry from under it.
    const LoggedAnnouncement entry { m_clock(), clips,
                                     QString::fromStdString(m_words.line(clips)) };
    m_entries.push_back(entry);
    emit added(entry);
}

void AnnouncementLog::repeatLast(Speech &speech) const
{
    if (!m_entries.empty()) {
        speech.SayAgain(m_entries.back().clips);
    }
}

} // namespace vexalo

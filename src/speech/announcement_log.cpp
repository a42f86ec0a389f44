#include "announcement_log.h"

#include "logging.h"

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
    const QString text = QString::fromStdString(m_words.line(clips));
    add(LoggedAnnouncement { m_clock(), std::move(clips), text, true });
}

void AnnouncementLog::note(const QString &text)
{
    add(LoggedAnnouncement { m_clock(), {}, text, false });
}

void AnnouncementLog::add(LoggedAnnouncement entry)
{
    qCInfo(lcSpeech, "%s %s", entry.spoken ? "said:" : "note:", qUtf8Printable(entry.text));
    if (m_entries.size() == kCapacity) {
        m_entries.pop_front();
    }
    m_entries.push_back(std::move(entry));
    // A copy goes out, so that nothing a follower does can pull the entry from under it.
    const LoggedAnnouncement copy = m_entries.back();
    emit added(copy);
}

} // namespace vexalo

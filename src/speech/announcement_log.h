// The announcements said so far, as text: the last 200 with the time each was said, and notes
// of what happened that was not said. The one listener of the announcer; the history window and
// the transcript follow it through `added`. Relies on ClipWords for the wording of each line.
#pragma once

#include "announcer.h"
#include "clip_words.h"

#include <QObject>
#include <QString>
#include <QTime>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vexalo {

struct LoggedAnnouncement {
    QTime time;
    std::vector<std::string> clips;
    QString text;
    bool spoken = true; // false for a note: shown, never said

    // "HH:MM:SS  text", as the history shows it.
    QString line() const;
};

class AnnouncementLog : public QObject, public AnnouncementListener {
    Q_OBJECT

public:
    static constexpr std::size_t kCapacity = 200;

    explicit AnnouncementLog(ClipWords words, std::function<QTime()> clock = &QTime::currentTime);

    void announced(const Announcement &heard) override;

    // A line for the history that is not an announcement and is never said (a service
    // unavailable, a client connected).
    void note(const QString &text);

    // Oldest first.
    const std::deque<LoggedAnnouncement> &entries() const { return m_entries; }

signals:
    // After the entry has joined the log; the oldest may have left it.
    void added(const vexalo::LoggedAnnouncement &entry);

private:
    void add(LoggedAnnouncement entry);

    ClipWords m_words;
    std::function<QTime()> m_clock;
    std::deque<LoggedAnnouncement> m_entries;
};

} // namespace vexalo

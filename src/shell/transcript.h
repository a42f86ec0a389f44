// The transcript stream: each announcement's line written to a stream (standard output in the
// program) as it is said, flushed line by line so that a terminal, a braille terminal or a
// logger can follow it; notes, which are never said, stay in the history. Relies on the
// announcement log for the lines.
#pragma once

#include <QObject>

#include <cstdio>

namespace vexalo {

class AnnouncementLog;
struct LoggedAnnouncement;

class Transcript : public QObject {
    Q_OBJECT

public:
    Transcript(const AnnouncementLog &log, std::FILE *out);

    // False once a write has failed (a closed pipe, a full disk); nothing more is written then,
    // and the program goes on speaking.
    bool writing() const { return m_out != nullptr; }

private:
    void write(const LoggedAnnouncement &entry);

    std::FILE *m_out;
};

} // namespace vexalo

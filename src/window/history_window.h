// The window "Vexalo announcements": the announcements kept by the log, one line each, newest
// last, as a list a screen reader reads line by line and a braille display shows. It follows
// the log while open. Escape closes it, Ctrl+C copies the selected line. Relies only on the
// announcement log.
#pragma once

#include <QWidget>

class QListWidget;

namespace vexalo {

class AnnouncementLog;
struct LoggedAnnouncement;

class HistoryWindow : public QWidget {
    Q_OBJECT

public:
    explicit HistoryWindow(const AnnouncementLog &log, QWidget *parent = nullptr);

    // Shows the window in front, with the cursor on the newest line.
    void present();

    QListWidget &lines() const { return *m_lines; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void append(const LoggedAnnouncement &entry);

    QListWidget *m_lines;
};

} // namespace vexalo

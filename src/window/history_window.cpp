#include "history_window.h"

#include "announcement_log.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace vexalo {

HistoryWindow::HistoryWindow(const AnnouncementLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window), m_lines(new QListWidget(this))
{
    setObjectName(QStringLiteral("history"));
    setWindowTitle(QStringLiteral("Vexalo announcements"));
    resize(480, 320);

    m_lines->setObjectName(QStringLiteral("announcements"));
    m_lines->setAccessibleName(QStringLiteral("Announcements"));
    // The list copies its current line itself on Ctrl+C; with one line selected at a time
    // that is the selected line.
    m_lines->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lines->setUniformItemSizes(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lines);

    for (const LoggedAnnouncement &entry : log.entries()) {
        append(entry);
    }
    connect(&log, &AnnouncementLog::added, this, &HistoryWindow::append);
}

void HistoryWindow::present()
{
    if (m_lines->count() > 0) {
        m_lines->setCurrentRow(m_lines->count() - 1);
    }
    show();
    raise();
    activateWindow();
    m_lines->setFocus();
}

void HistoryWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape is taken as a key press, not a shortcut: a window shortcut did not fire while the
    // list had the focus, but the list passes the key it does not use on to its window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HistoryWindow::append(const LoggedAnnouncement &entry)
{
    // The reader stays where they are unless they were on the newest line.
    const bool following = m_lines->currentRow() == m_lines->count() - 1;
    if (static_cast<std::size_t>(m_lines->count()) == AnnouncementLog::kCapacity) {
        delete m_lines->takeItem(0);
    }
    auto *item = new QListWidgetItem(entry.line());
    item->setData(Qt::AccessibleTextRole, item->text());
    m_lines->addItem(item);
    if (following) {
        m_lines->setCurrentRow(m_lines->count() - 1);
    }
}

} // namespace vexalo

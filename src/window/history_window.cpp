#include "history_window.h"

#include "announcement_log.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
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
    m_lines->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lines->setUniformItemSizes(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lines);

    auto *close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    auto *copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    // The list would otherwise take the keys for itself.
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, &HistoryWindow::copySelectedLine);
    addAction(copy);

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

void HistoryWindow::copySelectedLine() const
{
    const QList<QListWidgetItem *> selected = m_lines->selectedItems();
    if (!selected.isEmpty()) {
        QGuiApplication::clipboard()->setText(selected.first()->text());
    }
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

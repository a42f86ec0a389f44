#include "value_entry.h"

#include "announcer.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>

namespace vexalo {

ValueEntry::ValueEntry(Announcer &announcer, QRect place, QWidget *parent)
    : QLineEdit(parent), m_announcer(announcer), m_place(place)
{
    resize(place.size());
    setObjectName(QStringLiteral("value_entry"));
    setMaxLength(16);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        // A screen reader echoes what is typed itself; Vexalo's voice would say it twice.
        if (QAccessible::isActive() || text.isEmpty() || cursorPosition() == 0) {
            return;
        }
        const auto echo = echoOf(text.at(cursorPosition() - 1));
        if (!echo.empty()) {
            m_announcer.say(echo);
        }
    });
}

std::vector<std::string> ValueEntry::echoOf(QChar typed)
{
    if (typed.isDigit() && typed.unicode() < 128) {
        return { std::string(1, typed.toLatin1()) };
    }
    if (typed == u'.' || typed == u',') {
        return { "pt" };
    }
    return {};
}

void ValueEntry::open(const QString &name, Accept accept)
{
    if (!isVisible()) {
        m_returnFocus = QApplication::focusWidget();
    }
    m_accept = std::move(accept);
    setAccessibleName(name);
    setPlaceholderText(name);
    clear();
    if (parentWidget() != nullptr) {
        // The menu bar above the client area has its height only once the window is shown.
        if (auto *client = parentWidget()->findChild<QWidget *>(QStringLiteral("client_area"))) {
            move(m_place.topLeft() + client->pos());
        }
    }
    show();
    raise();
    setFocus(Qt::ShortcutFocusReason);
}

void ValueEntry::cancel()
{
    close();
    m_announcer.say({ "cancelled" });
}

void ValueEntry::close()
{
    hide();
    if (m_returnFocus != nullptr) {
        m_returnFocus->setFocus(Qt::OtherFocusReason);
    }
}

void ValueEntry::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QString typed = text();
        Accept accept = m_accept;
        close();
        if (accept) {
            accept(typed);
        }
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace vexalo

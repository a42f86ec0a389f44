#include "menu_accessibility.h"

#include "caption_button.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QVariant>
#include <QWindow>

#include <algorithm>

namespace vexalo {

namespace {

const char *const kChoiceProperty = "vexaloMenuChoice";

// The widget that lists ACTION as one of its entries: a menu or the menu bar. The bar also lists
// its own entries in a hidden overflow menu, which is not where they belong.
QWidget *listedBy(const QAction *action)
{
    QWidget *list = nullptr;
    for (QObject *object : action->associatedObjects()) {
        auto *bar = qobject_cast<QMenuBar *>(object);
        auto *menu = qobject_cast<QMenu *>(object);
        if (bar != nullptr && bar->actions().contains(action)) {
            return bar;
        }
        if (list == nullptr && menu != nullptr && menu->actions().contains(action)) {
            list = menu;
        }
    }
    return list;
}

bool inMenuBar(const QMenu &menu)
{
    return qobject_cast<QMenuBar *>(listedBy(menu.menuAction())) != nullptr;
}

QAction *firstEntry(const QMenu &menu)
{
    const QList<QAction *> entries = menu.actions();
    const auto first = std::find_if(entries.begin(), entries.end(), [](const QAction *action) {
        return action->isVisible() && !action->isSeparator();
    });
    return first != entries.end() ? *first : nullptr;
}

// The interface of ACTION as an entry of LIST; asking the list rather than the action lets Qt
// make its own interface for an entry of the menu bar.
QAccessibleInterface *entryInterface(QWidget *list, QAction *action)
{
    QAccessibleInterface *listInterface = QAccessible::queryAccessibleInterface(list);
    const qsizetype index = list->actions().indexOf(action);
    return listInterface != nullptr && index >= 0 ? listInterface->child(int(index)) : nullptr;
}

// One entry of a menu, told apart by what choosing it does. Otherwise it reports what Qt's own
// menu item reports (name, shortcut, place, focus, actions).
class MenuEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuEntry(QAction *action, QMenu *menu) : m_action(action), m_menu(menu) { }

    bool isValid() const override { return !m_action.isNull() && !m_menu.isNull(); }
    QObject *object() const override { return m_action; }

    QWindow *window() const override
    {
        QWindow *window = m_menu->windowHandle();
        if (window == nullptr && m_menu->nativeParentWidget() != nullptr) {
            window = m_menu->nativeParentWidget()->windowHandle();
        }
        return window;
    }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_menu);
    }

    // A submenu hangs below the entry that opens it, as in Qt's own menus.
    int childCount() const override { return m_action->menu() != nullptr ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && childCount() == 1
            ? QAccessible::queryAccessibleInterface(m_action->menu())
            : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child != nullptr && childCount() == 1 && child->object() == m_action->menu() ? 0
                                                                                            : -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            return spokenCaption(m_action->text());
        case QAccessible::Accelerator:
            return m_action->shortcut().toString();
        case QAccessible::Description:
            return menuNameIfFirst();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override { }

    QRect rect() const override
    {
        const QRect place = m_menu->actionGeometry(m_action);
        return QRect(m_menu->mapToGlobal(place.topLeft()), place.size());
    }

    QAccessible::Role role() const override
    {
        if (m_action->isSeparator()) {
            return QAccessible::Separator;
        }
        if (m_action->menu() != nullptr) {
            return QAccessible::PopupMenu;
        }
        if (!m_action->isCheckable()) {
            return QAccessible::MenuItem;
        }
        return m_menu->property(kChoiceProperty).toBool() ? QAccessible::RadioButton
                                                          : QAccessible::CheckBox;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !m_menu->isVisible() || !m_action->isVisible();
        state.focused = m_menu->activeAction() == m_action;
        state.disabled = m_action->isSeparator() || !m_action->isEnabled();
        state.checkable = m_action->isCheckable();
        state.checked = m_action->isChecked();
        state.hasPopup = m_action->menu() != nullptr;
        state.hotTracked = m_menu->style()->styleHint(QStyle::SH_Menu_MouseTracking);
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
            ? static_cast<QAccessibleActionInterface *>(this)
            : nullptr;
    }

    QStringList actionNames() const override
    {
        return { m_action->menu() != nullptr ? showMenuAction() : pressAction() };
    }

    void doAction(const QString &name) override
    {
        if (!m_action->isEnabled()) {
            return;
        }
        if (name == pressAction()) {
            m_action->trigger();
        } else if (name == showMenuAction() && m_action->menu() != nullptr) {
            if (m_action->menu()->isVisible()) {
                m_action->menu()->hide();
            } else {
                m_menu->setActiveAction(m_action);
            }
        }
    }

    QStringList keyBindingsForAction(const QString &) const override
    {
        const QKeySequence key = m_action->shortcut();
        return key.isEmpty() ? QStringList {} : QStringList { key.toString() };
    }

private:
    // Qt 6.4 has no role for a menu that a screen reader announces on opening it, so the entry
    // the focus lands on names the menu in words instead.
    QString menuNameIfFirst() const
    {
        if (!inMenuBar(*m_menu) || firstEntry(*m_menu) != m_action) {
            return {};
        }
        return QStringLiteral("%1 menu").arg(spokenCaption(m_menu->menuAction()->text()));
    }

    QPointer<QAction> m_action;
    QPointer<QMenu> m_menu;
};

// Qt says nothing when a submenu closes and leaves its opener highlighted, so a screen reader
// would stay with the entry that has just gone; this moves it back to the opener.
void reportOpenerFocused(QMenu &submenu)
{
    QAction *opener = submenu.menuAction();
    auto *menu = qobject_cast<QMenu *>(listedBy(opener));
    if (menu == nullptr || !menu->isVisible() || menu->activeAction() != opener) {
        return;
    }
    QAccessibleEvent focus(menu, QAccessible::Focus);
    focus.setChild(int(menu->actions().indexOf(opener)));
    QAccessible::updateAccessibility(&focus);
}

// A popup menu as Qt describes it, except that its entries may be of any kind: Qt's own menu
// disowns every entry that is not a plain menu item, which a screen reader then ignores.
class MenuList : public QAccessibleWidget {
public:
    explicit MenuList(QMenu *menu) : QAccessibleWidget(menu, QAccessible::PopupMenu)
    {
        // Once the hiding is done, so that closing every menu at once reports nothing.
        QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] {
            QTimer::singleShot(0, menu, [menu] { reportOpenerFocused(*menu); });
        });
    }

    int childCount() const override { return int(menu()->actions().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QAction *> entries = menu()->actions();
        return index >= 0 && index < entries.size()
            ? QAccessible::queryAccessibleInterface(entries[index])
            : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child != nullptr
            ? int(menu()->actions().indexOf(qobject_cast<QAction *>(child->object())))
            : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        QAction *action = menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y)));
        return action != nullptr && !action->isSeparator()
            ? QAccessible::queryAccessibleInterface(action)
            : nullptr;
    }

    QString text(QAccessible::Text kind) const override
    {
        const QString text = QAccessibleWidget::text(kind);
        return text.isEmpty() && kind == QAccessible::Name ? menu()->windowTitle() : text;
    }

    // Below the entry that opens it, in the menu bar or in another menu.
    QAccessibleInterface *parent() const override
    {
        QAction *opener = menu()->menuAction();
        QWidget *list = listedBy(opener);
        QAccessibleInterface *entry = list != nullptr ? entryInterface(list, opener) : nullptr;
        return entry != nullptr ? entry : QAccessibleWidget::parent();
    }

private:
    QMenu *menu() const { return static_cast<QMenu *>(widget()); }
};

QAccessibleInterface *menuFactory(const QString &key, QObject *object)
{
    if (key == QLatin1String("QMenu")) {
        return new MenuList(static_cast<QMenu *>(object));
    }
    if (key == QLatin1String("QAction")) {
        auto *action = static_cast<QAction *>(object);
        // An entry of the menu bar is left to Qt, whose menu bar takes only plain menu items.
        auto *menu = qobject_cast<QMenu *>(listedBy(action));
        return menu != nullptr ? new MenuEntry(action, menu) : nullptr;
    }
    return nullptr;
}

} // namespace

MenuAccessibility::MenuAccessibility()
{
    QAccessible::installFactory(menuFactory);
}

MenuAccessibility::~MenuAccessibility()
{
    QAccessible::removeFactory(menuFactory);
}

void MenuAccessibility::describeAsChoice(QMenu &menu)
{
    menu.setProperty(kChoiceProperty, true);
}

} // namespace vexalo

// How the menus meet a screen reader: on/off entries as check boxes, the entries of a choice as
// radio buttons, an entry that opens a submenu as a popup menu, the menu named on opening, and
// the focus back on the opener when a submenu closes. Relies on Qt asking the installed
// accessibility factories for the interface of each menu and of each action a menu lists.
#pragma once

class QMenu;

namespace vexalo {

// The factory is installed while this lives; create it before the first menu is built, since Qt
// keeps the interface it made for an action until the action goes.
class MenuAccessibility {
public:
    MenuAccessibility();
    ~MenuAccessibility();
    MenuAccessibility(const MenuAccessibility &) = delete;
    MenuAccessibility &operator=(const MenuAccessibility &) = delete;

    // The checkable entries of MENU are one choice: at most one of them is checked at a time.
    static void describeAsChoice(QMenu &menu);
};

} // namespace vexalo

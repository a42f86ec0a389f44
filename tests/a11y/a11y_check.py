"""Reads the running Vexalo window through AT-SPI, as Orca does, and checks what an operator
with a screen reader depends on: every button with its name and Alt key, the help line, both
menus with every item's shortcut and check mark, the hidden debug controls out of reach, and
the focus starting on Info and moving in the layout's order under Tab.
Run by a11y_test.sh with Debian's /usr/bin/python3 (pyatspi); argument: the X window id."""

import subprocess
import sys
import time

import pyatspi

# Written out rather than read from the program, so that a lost key or name shows up.
BUTTONS = [  # in Tab order: (name a screen reader says, Alt key)
    ("Info", "Alt+I"), ("VFO A", "Alt+A"), ("VFO B", "Alt+B"), ("RX VFO", "Alt+R"),
    ("Mode", "Alt+M"), ("RIT/XIT", "Alt+T"), ("Pwr Set", "Alt+W"), ("Keyer", "Alt+K"),
    ("AGC", "Alt+G"), ("S-Meter", "Alt+S"), ("ATTEN", "Alt+E"), ("NB", "Alt+N"),
    ("PreAmp", "Alt+P"), ("Filter", "Alt+F"), ("Exit", "Alt+X"), ("Reinitialize Q7", "Alt+Z"),
]
HELP_LINE = ("ALT keys also select desired functions.        "
             "(Use underlined letters for each command.)")
# Qt gives a menu's key with its letter as the caption writes it ("Ra&dio").
MENUS = [("ComPort", "Alt+C"), ("Options", "Alt+O"), ("Radio", "Alt+d")]
MENU_ITEMS = [  # (name, shortcut, checked) with vexalo.ini "1,1,#TRUE#"
    *[(f"Comm{n}", f"Ctrl+F{n}", n == 1) for n in range(1, 10)], ("Comm10", "Shift+F1", False),
    ("Greeting Enabled", "Ctrl+G", True), ("Manual", "Ctrl+M", False),
    ("Semi Auto", "Ctrl+S", True), ("Full Auto", "Ctrl+F", False),
    # The radio menu, marked as q7sim starts: CW on VFO A, AGC fast, preamp on, blanker off.
    ("LSB", "Ctrl+1", False), ("USB", "Ctrl+2", False), ("CW", "Ctrl+3", True),
    ("CW reverse", "Ctrl+4", False), ("Data", "Ctrl+5", False), ("Data reverse", "Ctrl+6", False),
    ("A", "", True), ("B", "", False), ("Other VFO", "Ctrl+B", False),
    ("Split", "Ctrl+D", False), ("Fast", "", True), ("Slow", "", False),
    ("Preamp", "Ctrl+P", True), ("Attenuator", "Ctrl+A", False),
    ("Off", "", True), ("1", "", False), ("2", "", False),
    ("Filter bandwidth", "Ctrl+L", False), ("Power", "Ctrl+W", False),
    ("Keyer speed", "Ctrl+K", False), ("Tune up one step", "Ctrl+Up", False),
    ("Tune down one step", "Ctrl+Down", False), ("Larger step", "Ctrl+Right", False),
    ("Smaller step", "Ctrl+Left", False), ("Enter frequency", "Ctrl+E", False),
    ("Read everything", "Ctrl+I", False), ("Undo", "Ctrl+Z", False),
]
HIDDEN = ["SEND", "Test TX String", "Debug RX Window"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def find_application():
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "Vexalo":
                return app
        time.sleep(0.1)
    sys.exit("FAILED: Vexalo is not on the accessibility bus")


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def key_of(node, action_name):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return None
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            return action.getKeyBinding(i)
    return None


def shown(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) or states.contains(pyatspi.STATE_VISIBLE)


def focused_name(app):
    for node in descendants(app):
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node.name
    return None


def wait_for_focus(app, name):
    for _ in range(50):
        now = focused_name(app)
        if now == name:
            return now
        time.sleep(0.1)
    return now


def main():
    window = sys.argv[1]
    app = find_application()
    nodes = list(descendants(app))
    by_role = {}
    for node in nodes:
        by_role.setdefault(node.getRole(), []).append(node)

    buttons = [n for n in by_role.get(pyatspi.ROLE_PUSH_BUTTON, []) if shown(n)]
    check([b.name for b in buttons] == [name for name, _ in BUTTONS],
          f"visible push buttons {[b.name for b in buttons]}")
    for node in buttons:
        check("&" not in node.name, f"button name with '&': {node.name!r}")
    keys = {node.name: key_of(node, "Press") for node in buttons}
    for name, key in BUTTONS:
        check(keys.get(name) == key, f"{name}: Alt key {keys.get(name)!r}, expected {key!r}")

    labels = [n for n in by_role.get(pyatspi.ROLE_LABEL, []) if shown(n)]
    check(any(n.name == HELP_LINE for n in labels),
          f"help line not readable; visible labels {[n.name for n in labels]}")

    menus = [n for n in by_role.get(pyatspi.ROLE_MENU_ITEM, [])
             if n.parent is not None and n.parent.getRole() == pyatspi.ROLE_MENU_BAR]
    check([(n.name, key_of(n, "ShowMenu")) for n in menus] == MENUS,
          f"menus {[(n.name, key_of(n, 'ShowMenu')) for n in menus]}")
    # Entries of either kind: on/off entries are check boxes, those of a choice radio buttons.
    items = {n.name: n for n in nodes
             if n.parent is not None and n.parent.getRole() == pyatspi.ROLE_POPUP_MENU}
    for name, key, checked in MENU_ITEMS:
        node = items.get(name)
        if node is None:
            failures.append(f"menu entry {name} not found")
            continue
        check((key_of(node, "Press") or "") == key,
              f"{name}: shortcut {key_of(node, 'Press')!r}")
        is_checked = node.getState().contains(pyatspi.STATE_CHECKED)
        check(is_checked == checked, f"{name}: checked is {is_checked}, expected {checked}")

    for node in nodes:
        if node.name in HIDDEN or node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_SCROLL_BAR):
            check(not shown(node), f"hidden debug control exposed: {node.getRoleName()} "
                                   f"{node.name!r}")

    # Focus: on Info at the start, then Tab walks the buttons in order and wraps round.
    order = [name for name, _ in BUTTONS] + [BUTTONS[0][0]]
    check(wait_for_focus(app, order[0]) == order[0],
          f"focus starts on {focused_name(app)!r}, not {order[0]!r}")
    for expected in order[1:]:
        subprocess.run(["xdotool", "key", "--window", window, "Tab"], check=True)
        now = wait_for_focus(app, expected)
        if now != expected:
            failures.append(f"Tab moved the focus to {now!r}, expected {expected!r}")
            break

    for failure in failures:
        print("FAILED:", failure)
    if failures:
        sys.exit(1)
    print(f"passed: {len(buttons)} buttons, {len(menus)} menus, {len(MENU_ITEMS)} menu items, "
          f"Tab order of {len(order) - 1}")


if __name__ == "__main__":
    main()

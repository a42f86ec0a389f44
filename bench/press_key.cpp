// press_key: presses one key, with modifiers, into the focused X window through XTest, and
// prints the wall-clock time (seconds since the epoch) at which the key went down. Unlike
// xdotool it spends its start-up before the press, so the time printed is the press itself.
//   press_key alt+a
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: press_key MODIFIER+...+KEY (e.g. alt+a)\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "press_key: no X display\n");
        return 1;
    }
    std::vector<KeyCode> codes;
    std::stringstream keys(argv[1]);
    for (std::string part; std::getline(keys, part, '+');) {
        const std::string name = part == "alt" ? "Alt_L"
            : part == "ctrl"                   ? "Control_L"
            : part == "shift"                  ? "Shift_L"
                                               : part;
        const KeySym symbol = XStringToKeysym(name.c_str());
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
        if (code == 0) {
            std::fprintf(stderr, "press_key: unknown key %s\n", part.c_str());
            return 2;
        }
        codes.push_back(code);
    }
    for (std::size_t i = 0; i + 1 < codes.size(); ++i) {
        XTestFakeKeyEvent(display, codes[i], True, CurrentTime);
    }
    XSync(display, False);
    const auto pressed = std::chrono::system_clock::now();
    XTestFakeKeyEvent(display, codes.back(), True, CurrentTime);
    XFlush(display);
    XTestFakeKeyEvent(display, codes.back(), False, CurrentTime);
    for (std::size_t i = codes.size() - 1; i-- > 0;) {
        XTestFakeKeyEvent(display, codes[i], False, CurrentTime);
    }
    XSync(display, False);
    XCloseDisplay(display);
    std::printf("%.6f\n", std::chrono::duration<double>(pressed.time_since_epoch()).count());
    return 0;
}

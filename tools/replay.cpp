// vexalo-replay: feeds a captured or hand-written serial conversation through the program's
// own receive framing and reply interpreter, and prints what would have been said for every
// reply. Needs no radio, serial port, window or sound card.
#include "clip_sink.h"
#include "interpreter.h"
#include "q7_globals.h"
#include "reply_framer.h"
#include "speech.h"
#include "version.h"
#include "window_readouts.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace {

constexpr const char *kUsage = R"(usage: vexalo-replay [--state] [SCRIPT]

Reads a script (from SCRIPT, or standard input) with one directive a line:
  > TEXT          the operator sends TEXT as a query (reply_pending becomes true)
  < TEXT          TEXT arrives from the radio as one receive event; it is framed into
                  replies exactly as the program frames the serial line
  ! NAME on|off   sets full_auto (the "Full Auto" check mark), lock (the lock check
                  box), speech (speech_on), info (info_request), pending
                  (reply_pending) or quiet (quiet_update)
  # ...           a comment; blank lines are ignored
In TEXT, \r, \n and \\ stand for CR, LF and a backslash.

For every reply handed to the interpreter it prints one line: the reply (CR, LF, TAB and
backslash written as \r, \n, \t, \\; other control characters as \xHH), a TAB, then the
clips played for it separated by single spaces. A requested name that is no clip name
(reply garbage) is printed as '?' followed by the name as requested.

  --state   afterwards print every shared and interpreter variable as name=value
            (unset values print nothing after '='), then Timer1=enabled|disabled
  --help    show this text
  --version show the version

Exit status: 0 done, 1 the script could not be read, 2 a malformed directive.
)";

class ReplayWindow : public vexalo::WindowReadouts {
public:
    bool fullAutoChecked() const override { return fullAuto; }
    int lockKeyModeValue() const override { return lock ? 1 : 0; }
    void setTimer1Enabled(bool enabled) override { timer1 = enabled; }

    bool fullAuto = false;
    bool lock = false;
    bool timer1 = false;
};

std::string escape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

struct Malformed {
    std::string message;
};

class Replay {
public:
    Replay()
    {
        // As the window's start-up leaves them before the radio speaks.
        m_globals.reply_pending = false;
        m_globals.info_request = false;
        m_globals.quiet_update = false;
        m_globals.speech_on = true;
    }

    void run(const std::string &line)
    {
        if (line.empty() || line[0] == '#') {
            return;
        }
        if (line.size() < 2 || line[1] != ' '
            || (line[0] != '>' && line[0] != '<' && line[0] != '!')) {
            throw Malformed { "expected '> TEXT', '< TEXT', '! NAME on|off' or '# comment'" };
        }
        const std::string_view rest = std::string_view(line).substr(2);
        if (line[0] == '!') {
            setFlag(rest);
            return;
        }
        const auto text = unescape(rest);
        if (!text) {
            throw Malformed { "bad escape in text: only \\r, \\n and \\\\ are known" };
        }
        if (line[0] == '>') {
            m_globals.reply_pending = true;
        } else {
            receive(*text);
        }
    }

    void printState() const
    {
        for (const auto &[name, value] : m_globals.describe()) {
            std::cout << name << '=' << escape(value) << '\n';
        }
        std::cout << "Timer1=" << (m_window.timer1 ? "enabled" : "disabled") << '\n';
    }

private:
    void setFlag(std::string_view rest)
    {
        const auto space = rest.find(' ');
        const std::string name(rest.substr(0, space));
        const std::string value(space == std::string_view::npos ? "" : rest.substr(space + 1));
        if (value != "on" && value != "off") {
            throw Malformed { "expected 'on' or 'off' after '! " + name + "'" };
        }
        const bool on = value == "on";
        if (name == "full_auto") {
            m_window.fullAuto = on;
        } else if (name == "lock") {
            m_window.lock = on;
        } else if (name == "speech") {
            m_globals.speech_on = on;
        } else if (name == "info") {
            m_globals.info_request = on;
        } else if (name == "pending") {
            m_globals.reply_pending = on;
        } else if (name == "quiet") {
            m_globals.quiet_update = on;
        } else {
            throw Malformed { "unknown name '" + name
                              + "' (full_auto, lock, speech, info, pending or quiet)" };
        }
    }

    void receive(const std::string &input)
    {
        for (const std::string &reply : m_framer.receive(input)) {
            m_interpreter.HandleReply(reply);
            std::cout << escape(reply) << '\t';
            const char *separator = "";
            for (const std::string &clip : m_sink.take()) {
                std::cout << separator
                          << (clip.starts_with('?') ? "?" + escape(clip.substr(1)) : clip);
                separator = " ";
            }
            std::cout << '\n';
        }
    }

    vexalo::Q7Globals m_globals;
    vexalo::RecordingClipSink m_sink;
    vexalo::Speech m_speech { m_globals, m_sink };
    ReplayWindow m_window;
    vexalo::Interpreter m_interpreter { m_globals, m_speech, m_window };
    vexalo::ReplyFramer m_framer;
};

} // namespace

int main(int argc, char **argv)
{
    bool state = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--state") == 0) {
            state = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "vexalo-replay " << vexalo::kVersionLabel << '\n';
            return 0;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::cerr << "vexalo-replay: unknown option " << argv[i] << "\n" << kUsage;
            return 2;
        } else if (path) {
            std::cerr << "vexalo-replay: only one script can be replayed\n";
            return 2;
        } else {
            path = argv[i];
        }
    }

    std::ifstream file;
    if (path && std::strcmp(path, "-") != 0) {
        file.open(path, std::ios::binary);
        if (!file) {
            std::cerr << "vexalo-replay: cannot read " << path << ": " << std::strerror(errno)
                      << '\n';
            return 1;
        }
    }
    std::istream &in = file.is_open() ? static_cast<std::istream &>(file) : std::cin;

    Replay replay;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        try {
            replay.run(line);
        } catch (const Malformed &error) {
            std::cout.flush();
            std::cerr << (path ? path : "<stdin>") << ':' << number << ": " << error.message
                      << '\n';
            return 2;
        }
    }
    if (state) {
        replay.printState();
    }
    return 0;
}

// vexalo-replay: feeds a captured or hand-written serial conversation through the program's own
// reply path (framing, the exchange that knows what was asked, the interpreter and the
// announcer, with a clip recorder in place of the sound) and prints what would have been said
// for every reply, and with --heard what the operator hears of each arrival. Needs no radio,
// serial port, window or sound card.
#include "announcer.h"
#include "clip_sink.h"
#include "exchange.h"
#include "interpreter.h"
#include "reply_path.h"
#include "settings.h"
#include "version.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char *kUsage = R"(usage: vexalo-replay [--state] [--heard] [SCRIPT]

Reads a script (from SCRIPT, or standard input) with one directive a line:
  > TEXT          the operator sends TEXT; a query is then outstanding until a reply
                  answers it ("FA;" expects a reply beginning "FA", "id;" any reply;
                  "AI2;" and other commands with a parameter expect nothing)
  < TEXT          TEXT arrives from the radio as one receive event; it is framed into
                  replies exactly as the program frames the serial line
  ! NAME on|off   sets full_auto (the "Full Auto" check mark), lock (the lock check
                  box), speech (the mute switch), quiet (a band-change burst),
                  pending (on: a query that any reply answers is outstanding; off:
                  none is) or info (on: the queries that follow are Info queries)
  # ...           a comment; blank lines are ignored
In TEXT, \r, \n and \\ stand for CR, LF and a backslash.

For every reply handed to the interpreter it prints one line: the reply (CR, LF, TAB and
backslash written as \r, \n, \t, \\; other control characters as \xHH), a TAB, then the
clips of its announcement, one reply at a time, separated by single spaces. A requested
name that is no clip name (reply garbage) is printed as '?' followed by the name.

  --heard   after each '<' line also print "heard", a TAB and the clips the operator
            hears when the replies that line completes arrive together: a part of an
            unasked report is passed over when a later one says something of the same
            reading
  --state   afterwards print every setting, exchange and interpreter value as
            name=value (unset values print nothing after '='), then
            Timer1=enabled|disabled; reply_pending=true means a query is outstanding,
            info_request=true that an outstanding one is Info
  --help    show this text
  --version show the version

Exit status: 0 done, 1 the script could not be read, 2 a malformed directive.
)";

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

// The lock poll, as far as a replay can tell: whether it would be running.
class ReplayLockPoll : public vexalo::LockPollControl {
public:
    void pauseLockPoll() override { running = false; }
    void resumeLockPoll() override { running = true; }
    bool running = false;
};

// The window's marks as the replay sets them; a replay has no clients, and Full Auto is what
// has the radio report to Vexalo.
class ReplayConditions : public vexalo::ReplyConditions {
public:
    bool fullAuto() const override { return full; }
    bool lockChecked() const override { return lock; }
    bool reportsToVexalo() const override { return full; }
    bool reportsForClientsOnly() const override { return false; }
    bool full = false;
    bool lock = false;
};

std::string printed(const std::vector<std::string> &clips)
{
    std::string line;
    for (const std::string &clip : clips) {
        if (!line.empty()) {
            line += ' ';
        }
        line += clip.starts_with('?') ? std::string("?").append(escape(clip.substr(1))) : clip;
    }
    return line;
}

class Replay {
public:
    explicit Replay(bool heard) : m_printHeard(heard)
    {
        // As the window's start-up leaves it before the radio speaks.
        m_interpreter.endBandChangeBurst();
        m_announcer.unmute();
        m_path.setObserver([this](const vexalo::HandledReply &handled) {
            std::vector<std::string> clips;
            if (m_announcer.speechOn()) {
                for (const std::string &clip : handled.announcement.clips()) {
                    clips.push_back(vexalo::isValidClipName(clip) ? clip : "?" + clip);
                }
            }
            std::cout << escape(handled.reply) << '\t' << printed(clips) << '\n';
        });
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
            m_exchange.sent(*text, m_kind);
            return;
        }
        m_path.receive(*text);
        m_announcer.speak();
        const std::vector<std::string> heard = m_sink.take();
        if (m_printHeard) {
            std::cout << "heard\t" << printed(heard) << '\n';
        }
    }

    void printState()
    {
        const vexalo::RadioState &state = m_interpreter.state();
        const auto recorded = state.describe();
        const auto value = [&recorded](std::string_view name) {
            for (const auto &[n, v] : recorded) {
                if (n == name) {
                    return v;
                }
            }
            return std::string();
        };
        for (const auto &[name, v] : vexalo::Settings {}.describe()) {
            std::cout << name << '=' << escape(v) << '\n';
        }
        std::cout << "reply_pending=" << flag(m_exchange.anyOutstanding()) << '\n'
                  << "quiet_update=" << value("quiet_update") << '\n'
                  << "speech_on=" << flag(m_announcer.speechOn()) << '\n'
                  << "radio_found=" << value("radio_found") << '\n'
                  << "info_request=" << flag(m_exchange.infoOutstanding()) << '\n';
        bool after = false;
        for (const auto &[name, v] : recorded) {
            after = after || name == "rit_state";
            if (after) {
                std::cout << name << '=' << escape(v) << '\n';
            }
        }
        std::cout << "Timer1=" << (m_lockPoll.running ? "enabled" : "disabled") << '\n';
    }

private:
    static const char *flag(bool on) { return on ? "true" : "false"; }

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
            m_window.full = on;
        } else if (name == "lock") {
            m_window.lock = on;
        } else if (name == "speech") {
            if (on) {
                m_muted.reset();
                m_announcer.unmute();
            } else if (!m_muted) {
                m_muted.emplace(m_announcer);
            }
        } else if (name == "info") {
            m_kind = on ? vexalo::Exchange::Kind::Info : vexalo::Exchange::Kind::Plain;
        } else if (name == "pending") {
            if (on) {
                m_exchange.expectAnyReply(m_kind);
            } else {
                m_exchange.forgetAll();
            }
        } else if (name == "quiet") {
            vexalo::RadioState state = m_interpreter.state();
            state.quiet_update = on;
            m_interpreter = vexalo::Interpreter(state);
        } else {
            throw Malformed { "unknown name '" + name
                              + "' (full_auto, lock, speech, info, pending or quiet)" };
        }
    }

    bool m_printHeard;
    vexalo::Exchange::Kind m_kind = vexalo::Exchange::Kind::Plain;
    // Nothing passes on the replay's clock, so no query is ever too old.
    vexalo::Exchange m_exchange { [] { return vexalo::Exchange::Clock::time_point {}; } };
    vexalo::Interpreter m_interpreter;
    vexalo::RecordingClipSink m_sink;
    vexalo::Announcer m_announcer { m_sink };
    ReplayLockPoll m_lockPoll;
    ReplayConditions m_window;
    vexalo::ReplyPath m_path { m_exchange, m_interpreter, m_announcer, m_lockPoll, m_window };
    std::optional<vexalo::Announcer::Mute> m_muted;
};

} // namespace

int main(int argc, char **argv)
{
    bool state = false;
    bool heard = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--state") == 0) {
            state = true;
        } else if (std::strcmp(argv[i], "--heard") == 0) {
            heard = true;
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

    Replay replay(heard);
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

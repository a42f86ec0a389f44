#include "command_line.h"

#include "announcement.h"
#include "serial_device.h"
#include "version.h"

#include <algorithm>
#include <charconv>

namespace vexalo {

namespace {

constexpr int kUsageError = 2; // as q7sim and vexalo-replay, and most tools

std::string usage(std::span<const CommandLineOption> options)
{
    std::string text = "Usage: vexalo [OPTION]\n"
                       "Speaks the state of a Q7 transceiver aloud. Vexalo keeps its settings in\n"
                       "vexalo.ini and plays its words from ZSsounds/ in the folder it is started\n"
                       "from; vexalo-launch starts it in the per-user folder. "
        + std::string(serialPortsHelp())
        + "Besides the buttons' Alt keys and the menus' keys, Ctrl+R says the last\n"
          "announcement again, Ctrl+H opens the window of recent announcements and\n"
          "Ctrl+T switches on or off a tone whose pitch follows the S-meter.\n"
          "The Radio menu (Alt+D) changes the radio: Ctrl+Up and Ctrl+Down tune one\n"
          "step, Ctrl+Right and Ctrl+Left change the step (kept in vexalo.step),\n"
          "Ctrl+E types a frequency, Ctrl+1 to Ctrl+6 choose LSB, USB, CW, CW reverse,\n"
          "Data and Data reverse, Ctrl+B receives on the other VFO, Ctrl+Z undoes,\n"
          "Ctrl+I says every reading. Escape silences what is being said at once,\n"
          "drops what waits and stops the tone. What is heard is the radio's own\n"
          "answer; \"not accepted\" when it refuses.\n\n";
    const auto spelled = [](const CommandLineOption &option) {
        std::string left = std::string("--").append(option.name);
        if (option.optionalValue) {
            left.append("[=").append(option.argument).append("]");
        } else if (!option.argument.empty()) {
            left.append(" ").append(option.argument);
        }
        return left;
    };
    std::size_t width = 0;
    for (const CommandLineOption &option : options) {
        width = std::max(width, spelled(option).size());
    }
    for (const CommandLineOption &option : options) {
        const std::string left = spelled(option);
        std::string help(option.help);
        // Continuation lines of the help start under its first line.
        for (std::size_t at = help.find('\n'); at != std::string::npos;
             at = help.find('\n', at + 1)) {
            help.insert(at + 1, width + 6, ' ');
        }
        text += "  " + left + std::string(width + 4 - left.size(), ' ') + help + "\n";
    }
    text += "\n"
            "Sharing the radio (--share): other programs use the Q7 through Vexalo while\n"
            "it keeps talking; only Vexalo opens the radio's port. Off unless asked for.\n"
            "  Hamlib programs (WSJT-X, JS8Call, fldigi, loggers, Gpredict): rig \"Hamlib\n"
            "    NET rigctl\" (model 2), server 127.0.0.1:4532; PTT by VOX or a line of its\n"
            "    own (the Q7's protocol has no transmit command); in WSJT-X mode\n"
            "    \"Data/Pkt\" (the Q7's data mode) or \"USB\", split \"Fake It\".\n"
            "    To try it: rigctl -m 2 -r 127.0.0.1:4532 f m\n"
            "  Programs that speak the Q7's own commands (Linux only): the serial port\n"
            "    cat1 in Vexalo's folder, any baud rate. \"AI2;\" there sends that\n"
            "    program the radio's reports; \"AI\" and \"q7\" commands are answered by\n"
            "    Vexalo and never reach the radio.\n"
            "  Any other address than 127.0.0.1 lets whoever reaches it control the\n"
            "  radio: the protocol has no password.\n";
    return text;
}

CommandLine failure(const std::string &message)
{
    CommandLine result;
    result.outcome = CommandLine::Outcome::Exit;
    result.exitStatus = kUsageError;
    result.output = "vexalo: " + message + "\nTry 'vexalo --help'.\n";
    result.error = message;
    return result;
}

} // namespace

std::string_view refuseSpeech(std::string_view value)
{
    return value == kSpeechClips || value == kSpeechDispatcher ? std::string_view()
                                                               : "takes clips or dispatcher";
}

std::string_view refuseSpeechRate(std::string_view value)
{
    int rate = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), rate);
    const bool whole = error == std::errc() && end == value.data() + value.size();
    return whole && rate >= -100 && rate <= 100 ? std::string_view()
                                                : "takes a whole number from -100 to 100";
}

int settleMsOf(std::string_view value)
{
    int ms = kDefaultSettleMs;
    std::from_chars(value.data(), value.data() + value.size(), ms);
    return ms;
}

std::string_view refuseSettle(std::string_view value)
{
    if (value.empty()) {
        return {};
    }
    int ms = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
    const bool whole = error == std::errc() && end == value.data() + value.size();
    return whole && ms >= 0 && ms <= kMaxSettleMs
        ? std::string_view()
        : "takes a whole number of milliseconds from 0 to 5000";
}

int regionOf(std::string_view value)
{
    return value.size() == 1 && value[0] >= '1' && value[0] <= '3' ? value[0] - '0' : 0;
}

std::string_view refuseRegion(std::string_view value)
{
    return regionOf(value) != 0 ? std::string_view() : "takes the ITU region: 1, 2 or 3";
}

std::vector<std::string_view> announcedNames(std::string_view value)
{
    std::vector<std::string_view> names;
    while (!value.empty()) {
        const std::size_t comma = std::min(value.find(','), value.size());
        if (comma > 0) {
            names.push_back(value.substr(0, comma));
        }
        value.remove_prefix(std::min(comma + 1, value.size()));
    }
    return names;
}

std::string_view refuseAnnounce(std::string_view value)
{
    for (const std::string_view name : announcedNames(value)) {
        if (std::ranges::find(kAnnouncedReadings, name, &AnnouncedReading::name)
            == std::end(kAnnouncedReadings)) {
            return "takes readings from frequency, mode, filter, agc, noise-blanker, preamp, "
                   "attenuator, power, keyer, rit-xit, split and vfo";
        }
    }
    return {};
}

CommandLine parseCommandLine(std::span<const std::string> args,
                             std::span<const CommandLineOption> options)
{
    CommandLine result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (!arg.starts_with("--") || arg.size() == 2) {
            return failure("unexpected argument '" + arg + "'");
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
        const auto option = std::ranges::find(options, name, &CommandLineOption::name);
        if (option == options.end()) {
            return failure("unknown option '--" + name + "'");
        }
        std::string value;
        if (option->optionalValue) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            }
        } else if (option->argument.empty()) {
            if (equals != std::string::npos) {
                return failure("--" + name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return failure("--" + name + " needs " + std::string(option->argument));
        }
        if (option->refuse != nullptr) {
            if (const std::string_view why = option->refuse(value); !why.empty()) {
                return failure("--" + name + " " + std::string(why));
            }
        }
        if (!result.values.emplace(name, value).second) {
            return failure("--" + name + " given twice");
        }
    }
    // Asking for help or the version wins over everything else on the line.
    if (result.has("help")) {
        result = {};
        result.outcome = CommandLine::Outcome::Exit;
        result.output = usage(options);
    } else if (result.has("version")) {
        result = {};
        result.outcome = CommandLine::Outcome::Exit;
        result.output = std::string("vexalo ") + kVersionLabel + "\n";
    }
    return result;
}

std::vector<std::string> argumentsOf(int argc, const char *const *argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string> {};
}

ConfigOptions parseConfigOptions(std::string_view text, std::span<const CommandLineOption> options)
{
    ConfigOptions result;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        std::vector<std::string> words;
        for (std::size_t at = 0; at < line.size();) {
            const std::size_t start = line.find_first_not_of(" \t\r", at);
            if (start == std::string_view::npos) {
                break;
            }
            const std::size_t stop = std::min(line.find_first_of(" \t\r", start), line.size());
            words.emplace_back(line.substr(start, stop - start));
            at = stop;
        }
        if (words.empty() || words.front().starts_with('#')) {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        if (words.front() == "--help" || words.front() == "--version") {
            result.problems.push_back(where + words.front()
                                      + " belongs on the command line, not in vexalo.conf");
            continue;
        }
        const CommandLine parsed = parseCommandLine(words, options);
        if (parsed.outcome == CommandLine::Outcome::Exit) {
            result.problems.push_back(where + parsed.error);
            continue;
        }
        for (const auto &[name, value] : parsed.values) {
            result.values.insert_or_assign(name, value);
        }
    }
    return result;
}

void addFileOptions(CommandLine &commandLine, const ConfigOptions &file)
{
    for (const auto &[name, value] : file.values) {
        commandLine.values.emplace(name, value);
    }
}

} // namespace vexalo

#include "rigctl_protocol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vexalo::rigctl {

namespace {

// The commands Vexalo serves, with Hamlib's names and the labels of the extended style.
constexpr CommandInfo kCommands[] = {
    { Command::GetFreq, 'f', "get_freq", 0, true, { "Frequency" } },
    { Command::SetFreq, 'F', "set_freq", 1, true, {} },
    { Command::GetMode, 'm', "get_mode", 0, true, { "Mode", "Passband" } },
    { Command::SetMode, 'M', "set_mode", 2, true, {} },
    { Command::GetVfo, 'v', "get_vfo", 0, true, { "VFO" } },
    { Command::SetVfo, 'V', "set_vfo", 1, true, {} },
    { Command::GetSplitVfo, 's', "get_split_vfo", 0, true, { "Split", "TX VFO" } },
    { Command::SetSplitVfo, 'S', "set_split_vfo", 2, true, {} },
    { Command::GetSplitFreq, 'i', "get_split_freq", 0, true, { "TX Frequency" } },
    { Command::SetSplitFreq, 'I', "set_split_freq", 1, true, {} },
    { Command::GetSplitMode, 'x', "get_split_mode", 0, true, { "TX Mode", "TX Passband" } },
    { Command::SetSplitMode, 'X', "set_split_mode", 2, true, {} },
    { Command::GetSplitFreqMode,
      'k',
      "get_split_freq_mode",
      0,
      true,
      { "TX Frequency", "TX Mode", "TX Passband" } },
    { Command::SetSplitFreqMode, 'K', "set_split_freq_mode", 3, true, {} },
    { Command::GetPtt, 't', "get_ptt", 0, true, { "PTT" } },
    { Command::SetPtt, 'T', "set_ptt", 1, true, {} },
    { Command::ChkVfo, '\0', "chk_vfo", 0, false, { "ChkVFO" } },
    { Command::DumpState, '\0', "dump_state", 0, false, {} },
    { Command::GetPowerstat, '\0', "get_powerstat", 0, false, { "Power Status" } },
    { Command::GetVfoInfo,
      '\0',
      "get_vfo_info",
      1,
      true,
      { "Freq", "Mode", "Width", "Split", "SatMode" } },
    { Command::SetVfoOpt, '\0', "set_vfo_opt", 1, false, {} },
    { Command::GetLockMode, '\0', "get_lock_mode", 0, false, { "Locked" } },
    { Command::SetLockMode, '\0', "set_lock_mode", 1, false, {} },
    { Command::Quit, 'q', "quit", 0, false, {} },
};

// Hamlib's names of the Q7's six modes. The two data modes are the sideband data modes that
// digital-mode programs ask for: data on upper sideband, and its reverse on lower sideband.
constexpr std::pair<char, std::string_view> kModes[] = {
    { '1', "LSB" },    { '2', "USB" }, { '3', "CW" },
    { '6', "PKTUSB" }, { '7', "CWR" }, { '9', "PKTLSB" },
};

// Hamlib's mode bits of the six: LSB 0x8, USB 0x4, CW 0x2, CWR 0x80, PKTLSB 0x400, PKTUSB 0x800.
// The frequency range is what the protocol's eleven digits carry; the radio decides what it
// takes. Frequency and mode can be asked of either VFO; nothing else (levels, functions,
// parameters, VFO operations, transmit) is offered.
constexpr std::string_view kDumpState = "1\n"
                                        "2\n"
                                        "0\n"
                                        "0.000000 99999999999.000000 0xc8e -1 -1 0x3 0x0\n"
                                        "0 0 0 0 0 0 0\n"
                                        "0.000000 99999999999.000000 0xc8e -1 -1 0x3 0x0\n"
                                        "0 0 0 0 0 0 0\n"
                                        "0xc8e 1\n"
                                        "0 0\n"
                                        "0 0\n"
                                        "9999\n"
                                        "9999\n"
                                        "0\n"
                                        "0\n"
                                        "\n"
                                        "\n"
                                        "0x0\n"
                                        "0x0\n"
                                        "0x0\n"
                                        "0x0\n"
                                        "0x0\n"
                                        "0x0\n"
                                        "vfo_ops=0x0\n"
                                        "ptt_type=0x0\n"
                                        "targetable_vfo=0x3\n"
                                        "has_set_vfo=1\n"
                                        "has_get_vfo=1\n"
                                        "has_set_freq=1\n"
                                        "has_get_freq=1\n"
                                        "has_set_conf=0\n"
                                        "has_get_conf=0\n"
                                        "has_power2mW=0\n"
                                        "has_mW2power=0\n"
                                        "timeout=0\n"
                                        "rig_model=2\n"
                                        "done\n";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool sameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

const CommandInfo *lookUp(std::string_view word)
{
    if (word.size() == 1) {
        if (word[0] == '\0') {
            return nullptr; // the mark of a command that has only its long name
        }
        if (word[0] == 'Q') {
            return &infoOf(Command::Quit);
        }
        const auto found = std::ranges::find(kCommands, word[0], &CommandInfo::shortName);
        return found == std::end(kCommands) ? nullptr : found;
    }
    if (word.size() > 1 && word[0] == '\\') {
        const auto found = std::ranges::find(kCommands, word.substr(1), &CommandInfo::longName);
        return found == std::end(kCommands) ? nullptr : found;
    }
    return nullptr;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> result;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isSpace(line[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && !isSpace(line[at])) {
            ++at;
        }
        if (at > start) {
            result.push_back(line.substr(start, at - start));
        }
    }
    return result;
}

std::string joined(const std::vector<std::string> &parts)
{
    std::string text;
    for (const std::string &part : parts) {
        text += " " + part;
    }
    return text;
}

} // namespace

const CommandInfo &infoOf(Command command)
{
    return *std::ranges::find(kCommands, command, &CommandInfo::command);
}

std::optional<std::string_view> Request::vfo() const
{
    if (!namesVfo) {
        return std::nullopt;
    }
    return std::string_view(arguments.front());
}

std::string_view Request::argument(std::size_t index) const
{
    const std::size_t at = index + (namesVfo ? 1 : 0);
    return at < arguments.size() ? std::string_view(arguments[at]) : std::string_view();
}

std::vector<Request> parseLine(std::string_view line)
{
    std::vector<Request> requests;
    const std::vector<std::string_view> all = words(line);
    for (std::size_t next = 0; next < all.size();) {
        std::string_view word = all[next++];
        Request request;
        if (word.size() > 1
            && (word[0] == '+' || word[0] == ';' || word[0] == '|' || word[0] == ',')) {
            request.style = { true, word[0] == '+' ? '\n' : word[0] };
            word.remove_prefix(1);
        }
        const CommandInfo *info = lookUp(word);
        if (info == nullptr) {
            request.refused = kNotImplemented;
            requests.push_back(std::move(request));
            break; // the rest of a line that is no request means nothing either
        }
        request.command = info->command;
        // A VFO first when it is one and the command's own arguments still follow it (the own
        // argument of set_vfo and get_vfo_info is a VFO too).
        const std::size_t own = static_cast<std::size_t>(info->arguments);
        request.namesVfo
            = info->takesVfo && all.size() - next >= own + 1 && parseVfo(all[next]).has_value();
        std::size_t wanted = static_cast<std::size_t>(info->arguments) + (request.namesVfo ? 1 : 0);
        for (; wanted > 0 && next < all.size(); --wanted) {
            request.arguments.emplace_back(all[next++]);
        }
        if (wanted > 0) {
            request.refused = kInvalid;
            requests.push_back(std::move(request));
            break;
        }
        requests.push_back(std::move(request));
    }
    return requests;
}

std::string format(const Request &request, const Answer &answer)
{
    const std::string result = "RPRT " + std::to_string(answer.code) + "\n";
    if (!request.command) {
        return result;
    }
    const CommandInfo &info = infoOf(*request.command);
    const bool getter = !info.labels.front().empty();
    const char sep = request.style.separator;
    if (info.command == Command::ChkVfo) {
        // Its one value, named but without the command's name or a result.
        const std::string value = answer.values.empty() ? "0" : answer.values.front();
        return request.style.extended ? "ChkVFO: " + value + "\n" : value + "\n";
    }
    if (info.command == Command::Quit) {
        return result;
    }
    if (!request.style.extended) {
        if (answer.code != kOk || !getter) {
            return info.command == Command::DumpState && answer.code == kOk
                ? std::string(kDumpState)
                : result;
        }
        std::string text;
        for (const std::string &value : answer.values) {
            text += value + "\n";
        }
        return text;
    }
    std::string text = std::string(info.longName) + ":" + joined(request.arguments) + sep;
    if (answer.code == kOk) {
        if (info.command == Command::DumpState) {
            text += kDumpState;
        }
        for (std::size_t i = 0; getter && i < answer.values.size() && i < info.labels.size(); ++i) {
            text += std::string(info.labels[i]) + ": " + answer.values[i] + sep;
        }
    }
    return text + result;
}

std::optional<std::string_view> modeName(char q7Digit)
{
    const auto found
        = std::ranges::find(kModes, q7Digit, &std::pair<char, std::string_view>::first);
    return found == std::end(kModes) ? std::nullopt : std::optional(found->second);
}

std::optional<char> modeDigit(std::string_view hamlibName)
{
    for (const auto &[digit, name] : kModes) {
        if (sameLetters(name, hamlibName)) {
            return digit;
        }
    }
    return std::nullopt;
}

std::optional<VfoName> parseVfo(std::string_view name)
{
    constexpr std::pair<std::string_view, VfoName> kNames[] = {
        { "VFOA", VfoName::A },     { "Main", VfoName::A },          { "VFOB", VfoName::B },
        { "Sub", VfoName::B },      { "currVFO", VfoName::Current }, { "VFO", VfoName::Current },
        { "RX", VfoName::Current }, { "TX", VfoName::Tx },
    };
    for (const auto &[text, vfo] : kNames) {
        if (sameLetters(text, name)) {
            return vfo;
        }
    }
    return std::nullopt;
}

std::string_view vfoName(int vfo)
{
    return vfo == 1 ? "VFOB" : "VFOA";
}

std::optional<long long> parseFrequency(std::string_view text)
{
    constexpr double kHighest = 99'999'999'999.0;
    if (text.empty() || text.size() > 64) {
        return std::nullopt;
    }
    const std::string copy(text);
    char *end = nullptr;
    const double hz = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(hz) || hz < 0 || hz > kHighest) {
        return std::nullopt;
    }
    return std::llround(hz);
}

std::optional<long> parsePassband(std::string_view text)
{
    long width = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || width < -1
        || width > 9999) {
        return std::nullopt;
    }
    return width;
}

std::optional<bool> parseFlag(std::string_view text)
{
    if (text == "0" || text == "1") {
        return text == "1";
    }
    return std::nullopt;
}

std::string_view dumpState()
{
    return kDumpState;
}

} // namespace vexalo::rigctl

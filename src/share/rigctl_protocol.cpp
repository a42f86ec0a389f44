#include "rigctl_protocol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace vexalo::rigctl {

namespace {

// Hamlib's names of the Q7's six modes. The two data modes are the sideband data modes that
// digital-mode programs ask for: data on upper sideband, and its reverse on lower sideband.
constexpr std::pair<char, std::string_view> kModes[] = {
    { '1', "LSB" },    { '2', "USB" }, { '3', "CW" },
    { '6', "PKTUSB" }, { '7', "CWR" }, { '9', "PKTLSB" },
};

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
        const CommandInfo *info = findCommand(word);
        if (info == nullptr) {
            request.refused = kNotImplemented;
            requests.push_back(std::move(request));
            break; // the rest of a line that is no request means nothing either
        }
        request.command = info;
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
    const CommandInfo *info = request.command;
    const bool extended = request.style.extended;
    if (info == nullptr || info->layout == Layout::Result) {
        return result;
    }
    if (info->layout == Layout::Alone) {
        const std::string value = answer.values.empty() ? "0" : answer.values.front();
        return extended ? std::string(info->labels.front()) + ": " + value + "\n" : value + "\n";
    }
    const bool shown = answer.code == kOk && info->layout != Layout::Setting;
    if (!extended && !shown) {
        return result;
    }
    const char sep = request.style.separator;
    std::string text = extended
        ? std::string(info->longName) + ":" + joined(request.arguments) + sep
        : std::string();
    for (std::size_t i = 0; shown && i < answer.values.size() && i < info->labels.size(); ++i) {
        if (info->layout == Layout::Block) {
            text += answer.values[i];
        } else if (extended) {
            text += std::string(info->labels[i]) + ": " + answer.values[i] + sep;
        } else {
            text += answer.values[i] + "\n";
        }
    }
    return extended ? text + result : text;
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
    double hz = 0;
    const char *const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, hz);
    if (text.empty() || error != std::errc() || stop != end || !(hz >= 0 && hz <= kHighest)) {
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

} // namespace vexalo::rigctl

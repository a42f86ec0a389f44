#include "commands.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace q7sim {
namespace {

// Longer than any command; a stream without ';' must not grow without bound.
constexpr std::size_t maxCommandLength = 64;

std::string normalised(std::string_view command)
{
    if (!command.empty() && command.back() == ';') {
        command.remove_suffix(1);
    }
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)); };
    while (!command.empty() && blank(command.front())) {
        command.remove_prefix(1);
    }
    while (!command.empty() && blank(command.back())) {
        command.remove_suffix(1);
    }
    std::string text(command);
    for (char &c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The parameter as a number when it is exactly `width` decimal digits not above `high`.
std::optional<long long> number(std::string_view text, std::size_t width, long long high)
{
    if (text.size() != width || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : text) {
        value = value * 10 + (c - '0');
    }
    return value <= high ? std::optional(value) : std::nullopt;
}

const std::map<std::string_view, Report> queries {
    { "FA", Report::FA }, { "FB", Report::FB }, { "FR", Report::FR }, { "FT", Report::FT },
    { "FW", Report::FW }, { "GT", Report::GT }, { "MD", Report::MD }, { "NB", Report::NB },
    { "PA", Report::PA }, { "RA", Report::RA }, { "PC", Report::PC }, { "KS", Report::KS },
    { "BG", Report::BG }, { "IF", Report::IF }, { "ID", Report::ID }, { "Q7", Report::Q7 },
    { "LK", Report::LK }, { "AI", Report::AI },
};

// Settings of the radio's link rather than of the receiver: one digit, never reported.
struct Register {
    int RadioState::*field;
    long long high;
};
const std::map<std::string_view, Register> registers {
    { "Q7", { &RadioState::identLevel, 9 } },
    { "AI", { &RadioState::autoInfo, 2 } },
    { "LK", { &RadioState::lock, 1 } },
};

// Receiver settings of one value, given in the layout of their reply.
struct Setting {
    std::size_t width;
    long long high;
    Change::Kind kind;
    int vfo = 0;
};
const std::map<std::string_view, Setting> settings {
    { "FA", { 11, highestTunable, Change::Kind::Tune, 0 } },
    { "FB", { 11, highestTunable, Change::Kind::Tune, 1 } },
    { "FR", { 1, 1, Change::Kind::RxVfo } },
    { "FT", { 1, 1, Change::Kind::TxVfo } },
    { "GT", { 3, 9, Change::Kind::Agc } },
    { "MD", { 1, 9, Change::Kind::Mode } },
    { "PA", { 1, 1, Change::Kind::Preamp } },
    { "RA", { 2, 1, Change::Kind::Attenuator } },
    { "KS", { 3, 999, Change::Kind::Keyer } },
};

} // namespace

std::vector<Exchange> CommandHandler::receive(std::string_view bytes)
{
    std::vector<Exchange> exchanges;
    bool previousWasQ72 = false;
    m_pending.append(bytes);
    std::size_t start = 0;
    for (std::size_t end = m_pending.find(';'); end != std::string::npos;
         end = m_pending.find(';', start)) {
        Exchange e;
        e.command = m_pending.substr(start, end + 1 - start);
        e.replies = answer(e.command, previousWasQ72);
        previousWasQ72 = normalised(e.command) == "Q72";
        exchanges.push_back(std::move(e));
        start = end + 1;
    }
    m_pending.erase(0, start);
    if (m_pending.size() > maxCommandLength) {
        exchanges.push_back({ m_pending, { "?;" } });
        m_pending.clear();
    }
    return exchanges;
}

std::vector<std::string> CommandHandler::answer(std::string_view command, bool followsQ72)
{
    const std::string text = normalised(command);
    if (text.empty()) {
        return {};
    }
    const std::string_view prefix = std::string_view(text).substr(0, 2);
    const std::string_view param = std::string_view(text).substr(prefix.size());
    const std::vector<std::string> unknown { "?;" };
    const auto apply
        = [this](Change::Kind kind, long long value, std::optional<long long> paired, int vfo = 0) {
              return m_radio.apply(Change { kind, value, vfo, false, paired });
          };

    if (param.empty()) {
        if (prefix == "Q7" && m_options.identLate && followsQ72) {
            return {};
        }
        const auto query = queries.find(prefix);
        return query == queries.end() ? unknown : std::vector { m_radio.reply(query->second) };
    }
    if (const auto r = registers.find(prefix); r != registers.end()) {
        const auto digit = number(param, 1, r->second.high);
        if (!digit) {
            return unknown;
        }
        m_radio.state().*(r->second.field) = static_cast<int>(*digit);
        m_autoInfoRequested = m_autoInfoRequested || (prefix == "AI" && *digit != 0);
        return {};
    }
    if (const auto s = settings.find(prefix); s != settings.end()) {
        auto value = number(param, s->second.width, s->second.high);
        if (value && s->second.kind == Change::Kind::Tune && *value < lowestTunable) {
            value.reset();
        }
        return value ? apply(s->second.kind, *value, std::nullopt, s->second.vfo) : unknown;
    }
    // Two values in one command: bandwidth with or without the filter, blanker with or without
    // its level.
    const bool pair = param.size() == 2 || param.size() == 5;
    if (prefix == "FW" && (param.size() == 4 || param.size() == 5)) {
        const auto bandwidth = number(param.substr(0, 4), 4, 9999);
        const auto filter = pair ? number(param.substr(4), 1, 9) : std::nullopt;
        if (bandwidth && !pair) {
            return apply(Change::Kind::Bandwidth, *bandwidth, std::nullopt);
        }
        if (bandwidth && filter) {
            return apply(Change::Kind::Filter, *filter, bandwidth);
        }
    }
    if (prefix == "NB" && param.size() <= 2) {
        const auto blanker = number(param.substr(0, 1), 1, 9);
        const auto level = pair ? number(param.substr(1), 1, 9) : std::nullopt;
        if (blanker && (!pair || level)) {
            return apply(Change::Kind::NoiseBlanker, *blanker, level);
        }
    }
    // Power is set in the unit its reply uses: whole watts in the short form, tenths in the long.
    if (prefix == "PC") {
        const bool wholeWatts = m_radio.powerForm() == PowerForm::Short;
        if (const auto power = number(param, 3, wholeWatts ? 99 : 999)) {
            return apply(Change::Kind::Power, wholeWatts ? *power * 10 : *power, std::nullopt);
        }
    }
    return unknown;
}

std::string garble(std::string_view reply, std::mt19937 &random)
{
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    std::uniform_int_distribution<int> any(0x00, 0xFF);
    std::string text;
    if (reply.empty()) {
        return text;
    }
    text += static_cast<char>(high(random));
    while (text.size() + 1 < reply.size()) {
        int byte = any(random);
        while (byte == ';') {
            byte = any(random);
        }
        text += static_cast<char>(byte);
    }
    if (text.size() < reply.size()) {
        text += ';';
    }
    return text;
}

} // namespace q7sim

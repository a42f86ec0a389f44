#include "script.h"

#include <cctype>
#include <charconv>
#include <map>
#include <sstream>

namespace q7sim {

const char *const scriptHelp
    = R"(Scenario script (--script FILE): one event a line, run in order. '#' starts a
comment (write \x23 to send the character itself). Events follow each other at
once; put time between them with "wait".
  wait SECONDS          pause, e.g. "wait 0.5"
  tune a|b HZ           set VFO A or B, e.g. "tune a 14025000"; "+HZ"/"-HZ" steps it
  band HZ               band change: the receive VFO jumps to HZ; reports an IF with
                        the band flag, then FA FB FT MD FW GT PA RA and a closing NB
  mode NAME|DIGIT       lsb usb cw data cwr datar, or the mode digit 0-9
  filter N [HZ]         filter number 0-9, optionally with its bandwidth
  bandwidth HZ          filter bandwidth 0-9999
  agc fast|slow|DIGIT   fast is 2, slow is 4
  nb off|1|2|DIGIT [hi|low]   noise blanker, optionally with its level
  nblevel hi|low|DIGIT  noise-blanker level (hi is 0, low is 1)
  preamp on|off         att on|off
  power WATTS           0 to 99.9, one decimal, e.g. "power 5.5"
  keyer WPM             keyer speed 0-999
  rit on|off            xit on|off
  offset HZ             RIT/XIT offset -9999 to 9999
  split on|off          transmit on the other VFO / on the receive VFO
  rx a|b                receive VFO (split, if on, stays on)
  tx a|b                transmit VFO
  smeter N              S-meter bar value 0-99 (not reported unasked)
  silent                stop answering and reporting (the radio goes quiet)
  speak                 answer again
  send TEXT             send TEXT as it stands, even while silent or with --garbage;
                        \xHH for any byte, \\ for '\'
While automatic reports are on (after "AI2;") every change sends its reports; a
change to the value already set sends nothing.
)";

namespace {

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

std::optional<long long> integer(const std::string &word, long long low, long long high)
{
    const char *first = word.data();
    if (!word.empty() && word.front() == '+') {
        ++first;
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || first == end || value < low
        || value > high) {
        return std::nullopt;
    }
    return value;
}

bool allDigits(const std::string &word)
{
    return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

// A decimal number with at most `decimals` places, in units of its last place: seconds
// with three places come back as milliseconds, watts with one as tenths.
std::optional<long long> decimal(const std::string &word, int decimals, long long high)
{
    const auto dot = word.find('.');
    const std::string whole = word.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : word.substr(dot + 1);
    if (!allDigits(whole) || (dot != std::string::npos && !allDigits(fraction))
        || fraction.size() > static_cast<std::size_t>(decimals)) {
        return std::nullopt;
    }
    fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    long long limit = high;
    for (int i = 0; i < decimals; ++i) {
        limit *= 10;
    }
    long long value = 0;
    for (const char c : whole + fraction) {
        value = value * 10 + (c - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return value;
}

using Names = std::map<std::string, long long>;

std::optional<long long> choice(const std::string &word, const Names &names)
{
    const auto it = names.find(word);
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

// A name from the table, or a single digit for values the names do not cover.
std::optional<long long> named(const std::string &word, const Names &names)
{
    if (word.size() == 1 && allDigits(word)) {
        return word[0] - '0';
    }
    return choice(word, names);
}

const Names onOff { { "on", 1 }, { "off", 0 } };
const Names vfoLetters { { "a", 0 }, { "b", 1 } };
const Names levelNames { { "hi", 0 }, { "low", 1 } };

using Parser = std::optional<long long> (*)(const std::string &);

// The events that take one value: the change they make and how the value is written.
const std::map<std::string, std::pair<Change::Kind, Parser>> oneValue {
    { "band",
      { Change::Kind::Band, [](const std::string &w) { return integer(w, 0, maxFrequency); } } },
    { "mode",
      { Change::Kind::Mode,
        [](const std::string &w) {
            return named(w,
                         { { "lsb", 1 },
                           { "usb", 2 },
                           { "cw", 3 },
                           { "data", 6 },
                           { "cwr", 7 },
                           { "datar", 9 } });
        } } },
    { "bandwidth",
      { Change::Kind::Bandwidth, [](const std::string &w) { return integer(w, 0, 9999); } } },
    { "agc",
      { Change::Kind::Agc,
        [](const std::string &w) {
            return named(w, { { "fast", 2 }, { "slow", 4 } });
        } } },
    { "nblevel",
      { Change::Kind::NbLevel, [](const std::string &w) { return named(w, levelNames); } } },
    { "preamp", { Change::Kind::Preamp, [](const std::string &w) { return choice(w, onOff); } } },
    { "att", { Change::Kind::Attenuator, [](const std::string &w) { return choice(w, onOff); } } },
    { "power", { Change::Kind::Power, [](const std::string &w) { return decimal(w, 1, 99); } } },
    { "keyer", { Change::Kind::Keyer, [](const std::string &w) { return integer(w, 0, 999); } } },
    { "rit", { Change::Kind::Rit, [](const std::string &w) { return choice(w, onOff); } } },
    { "xit", { Change::Kind::Xit, [](const std::string &w) { return choice(w, onOff); } } },
    { "offset",
      { Change::Kind::Offset, [](const std::string &w) { return integer(w, -9999, 9999); } } },
    { "split", { Change::Kind::Split, [](const std::string &w) { return choice(w, onOff); } } },
    { "rx", { Change::Kind::RxVfo, [](const std::string &w) { return choice(w, vfoLetters); } } },
    { "tx", { Change::Kind::TxVfo, [](const std::string &w) { return choice(w, vfoLetters); } } },
    { "smeter", { Change::Kind::SMeter, [](const std::string &w) { return integer(w, 0, 99); } } },
};

std::optional<std::string> unescape(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x'
                   && std::isxdigit(static_cast<unsigned char>(text[i + 2]))
                   && std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// The event a line stands for, or an error text.
std::optional<ScriptEvent> parseLine(const std::vector<std::string> &w, const std::string &rest,
                                     double &clock, std::string &error)
{
    const std::string &verb = w[0];
    const std::size_t argc = w.size() - 1;
    const std::string &first = argc >= 1 ? w[1] : verb;
    ScriptEvent e;
    e.at = clock;

    if (const auto it = oneValue.find(verb); it != oneValue.end()) {
        const auto value = argc == 1 ? it->second.second(first) : std::nullopt;
        error = value ? "" : "'" + verb + "' takes one value, see --help";
        e.change = Change { it->second.first, value.value_or(0), 0, false, std::nullopt };
        return e;
    }
    if (verb == "wait") {
        const auto ms = argc == 1 ? decimal(first, 3, 86'400) : std::nullopt;
        error = ms ? "" : "'wait' takes a number of seconds";
        clock += static_cast<double>(ms.value_or(0)) / 1000.0;
        return std::nullopt;
    }
    if (verb == "tune") {
        const auto vfo = choice(first, vfoLetters);
        const std::string hzText = argc == 2 ? w[2] : "";
        const bool relative = !hzText.empty() && (hzText[0] == '+' || hzText[0] == '-');
        const auto hz = integer(hzText, relative ? -maxFrequency : 0, maxFrequency);
        error = argc == 2 && vfo && hz ? "" : "'tune' takes a VFO letter and a frequency in Hz";
        e.change = Change { Change::Kind::Tune, hz.value_or(0), static_cast<int>(vfo.value_or(0)),
                            relative, std::nullopt };
        return e;
    }
    // A filter with its bandwidth, a blanker with its level: set together, reported once.
    if (verb == "filter") {
        const auto filter = named(first, {});
        const auto bandwidth = argc == 2 ? integer(w[2], 0, 9999) : std::nullopt;
        error = filter && (argc == 1 || bandwidth)
            ? ""
            : "'filter' takes a filter digit and optionally a bandwidth";
        e.change = Change { Change::Kind::Filter, filter.value_or(0), 0, false, bandwidth };
        return e;
    }
    if (verb == "nb") {
        const auto blanker = named(first, { { "off", 0 } });
        const auto level = argc == 2 ? named(w[2], levelNames) : std::nullopt;
        error = blanker && (argc == 1 || level) ? ""
                                                : "'nb' takes off, 1 or 2 and optionally hi or low";
        e.change = Change { Change::Kind::NoiseBlanker, blanker.value_or(0), 0, false, level };
        return e;
    }
    if (verb == "silent" || verb == "speak") {
        error = argc == 0 ? "" : "'" + verb + "' takes no value";
        e.kind = verb == "silent" ? ScriptEvent::Kind::Silent : ScriptEvent::Kind::Speak;
        return e;
    }
    if (verb == "send") {
        const auto text = unescape(rest);
        error = text && !text->empty()
            ? ""
            : "'send' takes the text to send; \\xHH and \\\\ are its only escapes";
        e.kind = ScriptEvent::Kind::Send;
        e.text = text.value_or("");
        return e;
    }
    error = "unknown event '" + verb + "'";
    return std::nullopt;
}

} // namespace

ScriptParse parseScript(std::istream &in)
{
    ScriptParse result;
    double clock = 0;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
        }
        const auto w = words(line);
        if (w.empty()) {
            continue;
        }
        // The text of "send" is everything after the verb, less the surrounding blanks.
        std::string rest = line.substr(line.find(w[0]) + w[0].size());
        rest.erase(0, rest.find_first_not_of(" \t\r"));
        rest.erase(rest.find_last_not_of(" \t\r") + 1);

        std::string error;
        std::optional<ScriptEvent> event = parseLine(w, rest, clock, error);
        if (!error.empty()) {
            return { {}, "line " + std::to_string(number) + ": " + error };
        }
        if (event) {
            event->source = w[0] == "send" ? "send " + rest : w[0];
            for (std::size_t i = 1; w[0] != "send" && i < w.size(); ++i) {
                event->source += " " + w[i];
            }
            result.events.push_back(std::move(*event));
        }
    }
    return result;
}

void ScriptRunner::start(Clock::time_point now)
{
    if (!m_start) {
        m_start = now;
    }
}

Clock::time_point ScriptRunner::timeOf(const ScriptEvent &event) const
{
    return *m_start
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(event.at));
}

std::vector<ScriptEvent> ScriptRunner::due(Clock::time_point now)
{
    std::vector<ScriptEvent> ready;
    while (m_start && m_next < m_events.size() && timeOf(m_events[m_next]) <= now) {
        ready.push_back(m_events[m_next++]);
    }
    return ready;
}

std::optional<Clock::time_point> ScriptRunner::nextDue() const
{
    if (!m_start || m_next >= m_events.size()) {
        return std::nullopt;
    }
    return timeOf(m_events[m_next]);
}

} // namespace q7sim

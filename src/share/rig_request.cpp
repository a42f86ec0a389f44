#include "rig_request.h"

#include <algorithm>
#include <cstdio>

namespace vexalo::rigctl {

namespace {

// Hamlib's mode bits of the six: LSB 0x8, USB 0x4, CW 0x2, CWR 0x80, PKTLSB 0x400, PKTUSB 0x800.
// The frequency range is what the protocol's eleven digits carry; the radio decides what it
// takes. Frequency and mode can be asked of either VFO, and the RIT and XIT offsets read (up to
// the 9999 Hz the status report carries); nothing else (levels, functions, parameters, VFO
// operations, transmit, setting the offsets) is offered.
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

bool digitsAt(std::string_view reply, std::size_t from, std::size_t count)
{
    if (reply.size() < from + count) {
        return false;
    }
    for (std::size_t i = from; i < from + count; ++i) {
        if (reply[i] < '0' || reply[i] > '9') {
            return false;
        }
    }
    return true;
}

long long numberAt(std::string_view reply, std::size_t from, std::size_t count)
{
    long long value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        value = value * 10 + (reply[i] - '0');
    }
    return value;
}

Step ask(std::initializer_list<std::string> commands)
{
    return Step { commands, std::nullopt };
}

Step done(int code, std::vector<std::string> values = {})
{
    return Step { {}, Answer { code, std::move(values) } };
}

std::string frequencyCommand(int vfo, long long hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "F%c%011lld;", vfo == 1 ? 'B' : 'A', hz);
    return text;
}

std::string frequencyQuery(int vfo)
{
    return vfo == 1 ? "FB;" : "FA;";
}

// A VFO as the radio numbers it, or the step that finds out which one a name stands for.
struct Resolved {
    std::optional<int> vfo;
    std::optional<Step> first;
};

Resolved resolve(std::optional<VfoName> name, const Facts &facts)
{
    switch (name.value_or(VfoName::Current)) {
    case VfoName::A:
        return { 0, std::nullopt };
    case VfoName::B:
        return { 1, std::nullopt };
    case VfoName::Current:
        return facts.rxVfo ? Resolved { facts.rxVfo, std::nullopt }
                           : Resolved { std::nullopt, ask({ "FR;" }) };
    case VfoName::Tx:
        return facts.txVfo ? Resolved { facts.txVfo, std::nullopt }
                           : Resolved { std::nullopt, ask({ "FT;" }) };
    }
    return {};
}

std::optional<VfoName> named(const Request &request)
{
    const auto vfo = request.vfo();
    return vfo ? parseVfo(*vfo) : std::nullopt;
}

Step modeAnswer(Facts &facts)
{
    if (!facts.mode || !facts.bandwidth) {
        return ask({ "MD;", "FW;" });
    }
    const auto name = modeName(*facts.mode);
    if (!name) {
        return done(kProtocolError); // a mode digit the Q7 does not have
    }
    return done(kOk, { std::string(*name), std::to_string(*facts.bandwidth) });
}

// The commands that set the mode and passband given as the request's arguments from `first`
// on; nothing when they are not a mode of the Q7 and a passband.
std::optional<std::vector<std::string>> modeCommands(const Request &request, std::size_t first)
{
    const auto digit = modeDigit(request.argument(first));
    const auto passband = parsePassband(request.argument(first + 1));
    if (!digit || !passband) {
        return std::nullopt;
    }
    std::vector<std::string> commands { std::string("MD") + *digit + ";" };
    // -1 keeps the passband and 0 asks for the mode's usual one, which the Q7 does not name:
    // both leave the filter as it is.
    if (*passband > 0) {
        char width[32];
        std::snprintf(width, sizeof width, "FW%04ld;", *passband);
        commands.emplace_back(width);
    }
    return commands;
}

Step modeSetting(const Request &request, Facts &facts, bool locked)
{
    const auto commands = modeCommands(request, 0);
    if (!commands) {
        return done(kInvalid);
    }
    if (facts.written || locked) {
        return done(kOk);
    }
    facts.written = true;
    facts.mode.reset();
    Step step { *commands, std::nullopt };
    step.commands.emplace_back("MD;");
    return step;
}

Step setFrequency(std::optional<VfoName> name, long long hz, Facts &facts)
{
    if (facts.written) {
        return done(kOk);
    }
    const Resolved target = resolve(name, facts);
    if (target.first) {
        return *target.first;
    }
    facts.written = true;
    facts.frequency[*target.vfo].reset();
    return ask({ frequencyCommand(*target.vfo, hz), frequencyQuery(*target.vfo) });
}

Step getFrequency(const Resolved &target, Facts &facts)
{
    if (target.first) {
        return *target.first;
    }
    if (!facts.frequency[*target.vfo]) {
        return ask({ frequencyQuery(*target.vfo) });
    }
    return done(kOk, { std::to_string(*facts.frequency[*target.vfo]) });
}

Step splitSetting(const Request &request, Facts &facts)
{
    const auto split = parseFlag(request.argument(0));
    const auto tx = parseVfo(request.argument(1));
    if (!split || !tx) {
        return done(kInvalid);
    }
    if (facts.written) {
        return done(kOk);
    }
    if (!facts.rxVfo || !facts.txVfo) {
        return ask({ "FR;", "FT;" });
    }
    int target = *facts.rxVfo;
    if (*split) {
        target = *resolve(*tx, facts).vfo;
        // The Q7 splits across its two VFOs: transmitting on the receiving one is no split.
        if (target == *facts.rxVfo) {
            return done(kInvalid);
        }
    }
    facts.written = true;
    facts.txVfo.reset();
    return ask({ "FT" + std::to_string(target) + ";", "FT;" });
}

// The handlers, one per command.

Step getFreq(const Request &request, Facts &facts, SessionFlags &)
{
    return getFrequency(resolve(named(request), facts), facts);
}

Step setFreq(const Request &request, Facts &facts, SessionFlags &)
{
    const auto hz = parseFrequency(request.argument(0));
    return hz ? setFrequency(named(request), *hz, facts) : done(kInvalid);
}

// The Q7 has one mode for both VFOs: the split mode is the mode.
Step getMode(const Request &, Facts &facts, SessionFlags &)
{
    return modeAnswer(facts);
}

Step setMode(const Request &request, Facts &facts, SessionFlags &flags)
{
    return modeSetting(request, facts, flags.modeLocked);
}

Step getVfo(const Request &, Facts &facts, SessionFlags &)
{
    return facts.rxVfo ? done(kOk, { std::string(vfoName(*facts.rxVfo)) }) : ask({ "FR;" });
}

Step setVfo(const Request &request, Facts &facts, SessionFlags &)
{
    const auto name = parseVfo(request.argument(0));
    if (!name) {
        return done(kInvalid);
    }
    if (facts.written) {
        return done(kOk);
    }
    const Resolved target = resolve(*name, facts);
    if (target.first) {
        return *target.first;
    }
    facts.written = true;
    facts.rxVfo.reset();
    return ask({ "FR" + std::to_string(*target.vfo) + ";", "FR;" });
}

Step getSplitVfo(const Request &, Facts &facts, SessionFlags &)
{
    if (!facts.rxVfo || !facts.txVfo) {
        return ask({ "FR;", "FT;" });
    }
    return done(kOk,
                { *facts.rxVfo != *facts.txVfo ? "1" : "0", std::string(vfoName(*facts.txVfo)) });
}

Step setSplitVfo(const Request &request, Facts &facts, SessionFlags &)
{
    return splitSetting(request, facts);
}

Step getSplitFreq(const Request &, Facts &facts, SessionFlags &)
{
    return getFrequency(resolve(VfoName::Tx, facts), facts);
}

Step setSplitFreq(const Request &request, Facts &facts, SessionFlags &)
{
    const auto hz = parseFrequency(request.argument(0));
    return hz ? setFrequency(VfoName::Tx, *hz, facts) : done(kInvalid);
}

Step getSplitFreqMode(const Request &, Facts &facts, SessionFlags &)
{
    const Resolved tx = resolve(VfoName::Tx, facts);
    if (tx.first) {
        return *tx.first;
    }
    if (!facts.frequency[*tx.vfo] || !facts.mode || !facts.bandwidth) {
        return ask({ frequencyQuery(*tx.vfo), "MD;", "FW;" });
    }
    Step mode = modeAnswer(facts);
    if (mode.answer && mode.answer->code == kOk) {
        mode.answer->values.insert(mode.answer->values.begin(),
                                   std::to_string(*facts.frequency[*tx.vfo]));
    }
    return mode;
}

Step setSplitFreqMode(const Request &request, Facts &facts, SessionFlags &flags)
{
    const auto hz = parseFrequency(request.argument(0));
    const auto mode = modeCommands(request, 1);
    if (!hz || !mode) {
        return done(kInvalid);
    }
    const bool before = facts.written;
    Step step = setFrequency(VfoName::Tx, *hz, facts);
    if (!before && facts.written && !flags.modeLocked) {
        // The frequency, the mode, and the frequency's read-back.
        step.commands.insert(step.commands.begin() + 1, mode->begin(), mode->end());
    }
    return step;
}

// RIT and XIT share one offset on the Q7, read from its status report.
Step getRit(const Request &, Facts &facts, SessionFlags &)
{
    return facts.rit ? done(kOk, { std::to_string(*facts.rit) }) : ask({ "IF;" });
}

Step getXit(const Request &, Facts &facts, SessionFlags &)
{
    return facts.xit ? done(kOk, { std::to_string(*facts.xit) }) : ask({ "IF;" });
}

// The Q7's protocol has no transmit command (keying is left to VOX or a PTT line), and sets
// neither the RIT nor the XIT offset.
Step notAvailable(const Request &, Facts &, SessionFlags &)
{
    return done(kNotAvailable);
}

Step chkVfo(const Request &, Facts &, SessionFlags &flags)
{
    return done(kOk, { flags.vfoMode ? "1" : "0" });
}

Step dumpState(const Request &, Facts &, SessionFlags &)
{
    return done(kOk, { std::string(kDumpState) });
}

// A radio that answers is on.
Step getPowerstat(const Request &, Facts &facts, SessionFlags &)
{
    return facts.rxVfo ? done(kOk, { "1" }) : ask({ "FR;" });
}

Step getVfoInfo(const Request &request, Facts &facts, SessionFlags &)
{
    const auto name = parseVfo(request.argument(0));
    if (!name) {
        return done(kInvalid);
    }
    if (!facts.rxVfo || !facts.txVfo) {
        return ask({ "FR;", "FT;" });
    }
    const int vfo = *resolve(*name, facts).vfo;
    if (!facts.frequency[vfo] || !facts.mode || !facts.bandwidth) {
        return ask({ frequencyQuery(vfo), "MD;", "FW;" });
    }
    const auto mode = modeName(*facts.mode);
    if (!mode) {
        return done(kProtocolError);
    }
    return done(kOk,
                { std::to_string(*facts.frequency[vfo]), std::string(*mode),
                  std::to_string(*facts.bandwidth), *facts.rxVfo != *facts.txVfo ? "1" : "0",
                  "0" });
}

Step setFlag(const Request &request, bool &flag)
{
    const auto value = parseFlag(request.argument(0));
    if (!value) {
        return done(kInvalid);
    }
    flag = *value;
    return done(kOk);
}

Step setVfoOpt(const Request &request, Facts &, SessionFlags &flags)
{
    return setFlag(request, flags.vfoMode);
}

Step getLockMode(const Request &, Facts &, SessionFlags &flags)
{
    return done(kOk, { flags.modeLocked ? "1" : "0" });
}

Step setLockMode(const Request &request, Facts &, SessionFlags &flags)
{
    return setFlag(request, flags.modeLocked);
}

Step quit(const Request &, Facts &, SessionFlags &flags)
{
    flags.quit = true;
    return done(kOk);
}

// The commands Vexalo serves, with Hamlib's names and the labels of the extended style.
constexpr CommandInfo kCommands[] = {
    { 'f', "get_freq", 0, true, Layout::Values, { "Frequency" }, getFreq },
    { 'F', "set_freq", 1, true, Layout::Setting, {}, setFreq },
    { 'm', "get_mode", 0, true, Layout::Values, { "Mode", "Passband" }, getMode },
    { 'M', "set_mode", 2, true, Layout::Setting, {}, setMode },
    { 'v', "get_vfo", 0, true, Layout::Values, { "VFO" }, getVfo },
    { 'V', "set_vfo", 1, true, Layout::Setting, {}, setVfo },
    { 's', "get_split_vfo", 0, true, Layout::Values, { "Split", "TX VFO" }, getSplitVfo },
    { 'S', "set_split_vfo", 2, true, Layout::Setting, {}, setSplitVfo },
    { 'i', "get_split_freq", 0, true, Layout::Values, { "TX Frequency" }, getSplitFreq },
    { 'I', "set_split_freq", 1, true, Layout::Setting, {}, setSplitFreq },
    { 'x', "get_split_mode", 0, true, Layout::Values, { "TX Mode", "TX Passband" }, getMode },
    { 'X', "set_split_mode", 2, true, Layout::Setting, {}, setMode },
    { 'k',
      "get_split_freq_mode",
      0,
      true,
      Layout::Values,
      { "TX Frequency", "TX Mode", "TX Passband" },
      getSplitFreqMode },
    { 'K', "set_split_freq_mode", 3, true, Layout::Setting, {}, setSplitFreqMode },
    { 'j', "get_rit", 0, true, Layout::Values, { "RIT" }, getRit },
    { 'J', "set_rit", 1, true, Layout::Setting, {}, notAvailable },
    { 'z', "get_xit", 0, true, Layout::Values, { "XIT" }, getXit },
    { 'Z', "set_xit", 1, true, Layout::Setting, {}, notAvailable },
    { 't', "get_ptt", 0, true, Layout::Values, { "PTT" }, notAvailable },
    { 'T', "set_ptt", 1, true, Layout::Setting, {}, notAvailable },
    { '\0', "chk_vfo", 0, false, Layout::Alone, { "ChkVFO" }, chkVfo },
    { '\0', "dump_state", 0, false, Layout::Block, {}, dumpState },
    { '\0', "get_powerstat", 0, false, Layout::Values, { "Power Status" }, getPowerstat },
    { '\0',
      "get_vfo_info",
      1,
      true,
      Layout::Values,
      { "Freq", "Mode", "Width", "Split", "SatMode" },
      getVfoInfo },
    { '\0', "set_vfo_opt", 1, false, Layout::Setting, {}, setVfoOpt },
    { '\0', "get_lock_mode", 0, false, Layout::Values, { "Locked" }, getLockMode },
    { '\0', "set_lock_mode", 1, false, Layout::Setting, {}, setLockMode },
    { 'q', "quit", 0, false, Layout::Result, {}, quit },
};

} // namespace

const CommandInfo *findCommand(std::string_view word)
{
    if (word.size() == 1 && word[0] != '\0') { // '\0' marks a command with only its long name
        const char name = word[0] == 'Q' ? 'q' : word[0];
        const auto found = std::ranges::find(kCommands, name, &CommandInfo::shortName);
        return found == std::end(kCommands) ? nullptr : found;
    }
    if (word.size() > 1 && word[0] == '\\') {
        const auto found = std::ranges::find(kCommands, word.substr(1), &CommandInfo::longName);
        return found == std::end(kCommands) ? nullptr : found;
    }
    return nullptr;
}

void record(Facts &facts, std::string_view reply)
{
    if (reply.starts_with('?')) {
        facts.rejected = true;
        return;
    }
    const auto digit = [&](std::optional<int> &into) {
        if (reply.size() == 4 && (reply[2] == '0' || reply[2] == '1') && reply[3] == ';') {
            into = reply[2] - '0';
        } else {
            facts.garbled = true;
        }
    };
    if (reply.starts_with("FR")) {
        digit(facts.rxVfo);
    } else if (reply.starts_with("FT")) {
        digit(facts.txVfo);
    } else if (reply.starts_with("FA") || reply.starts_with("FB")) {
        if (reply.size() == 14 && digitsAt(reply, 2, 11) && reply[13] == ';') {
            facts.frequency[reply[1] == 'B' ? 1 : 0] = numberAt(reply, 2, 11);
        } else {
            facts.garbled = true;
        }
    } else if (reply.starts_with("MD")) {
        if (reply.size() == 4 && digitsAt(reply, 2, 1) && reply[3] == ';') {
            facts.mode = reply[2];
        } else {
            facts.garbled = true;
        }
    } else if (reply.starts_with("IF")) {
        // The shared offset (sign and four digits) from the 19th character, then the RIT and
        // XIT switches.
        if (reply.size() >= 26 && (reply[18] == '+' || reply[18] == '-') && digitsAt(reply, 19, 4)
            && (reply[23] == '0' || reply[23] == '1') && (reply[24] == '0' || reply[24] == '1')) {
            const int offset
                = static_cast<int>(numberAt(reply, 19, 4)) * (reply[18] == '-' ? -1 : 1);
            facts.rit = reply[23] == '1' ? offset : 0;
            facts.xit = reply[24] == '1' ? offset : 0;
        } else {
            facts.garbled = true;
        }
    } else if (reply.starts_with("FW")) {
        if (reply.size() >= 7 && digitsAt(reply, 2, 4)) {
            facts.bandwidth = static_cast<int>(numberAt(reply, 2, 4));
        } else {
            facts.garbled = true;
        }
    } else {
        facts.garbled = true;
    }
}

Step advance(const Request &request, Facts &facts, SessionFlags &flags)
{
    if (request.refused != kOk || request.command == nullptr) {
        return done(request.refused != kOk ? request.refused : kNotImplemented);
    }
    if (facts.rejected) {
        return done(kRejected);
    }
    if (facts.garbled) {
        return done(kProtocolError);
    }
    return request.command->handle(request, facts, flags);
}

} // namespace vexalo::rigctl

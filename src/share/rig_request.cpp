#include "rig_request.h"

#include <cstdio>

namespace vexalo::rigctl {

namespace {

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

Step getMode(Facts &facts)
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

Step setMode(const Request &request, Facts &facts, bool locked)
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

Step setSplit(const Request &request, Facts &facts)
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

} // namespace

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

Step advance(const Request &request, Facts &facts, const SessionFlags &flags)
{
    if (request.refused != kOk || !request.command) {
        return done(request.refused != kOk ? request.refused : kNotImplemented);
    }
    if (facts.rejected) {
        return done(kRejected);
    }
    if (facts.garbled) {
        return done(kProtocolError);
    }
    switch (*request.command) {
    case Command::ChkVfo:
        return done(kOk, { flags.vfoMode ? "1" : "0" });
    case Command::DumpState:
    case Command::Quit:
        return done(kOk);
    case Command::SetVfoOpt:
    case Command::SetLockMode:
        return done(parseFlag(request.argument(0)) ? kOk : kInvalid);
    case Command::GetLockMode:
        return done(kOk, { flags.modeLocked ? "1" : "0" });
    case Command::GetPtt:
    case Command::SetPtt:
        // The Q7's protocol has no transmit command: keying is left to VOX or a PTT line.
        return done(kNotAvailable);
    case Command::GetPowerstat:
        // A radio that answers is on.
        return facts.rxVfo ? done(kOk, { "1" }) : ask({ "FR;" });
    case Command::GetVfo:
        return facts.rxVfo ? done(kOk, { std::string(vfoName(*facts.rxVfo)) }) : ask({ "FR;" });
    case Command::SetVfo: {
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
    case Command::GetFreq:
        return getFrequency(resolve(named(request), facts), facts);
    case Command::SetFreq: {
        const auto hz = parseFrequency(request.argument(0));
        if (!hz) {
            return done(kInvalid);
        }
        return setFrequency(named(request), *hz, facts);
    }
    case Command::GetMode:
    case Command::GetSplitMode:
        // The Q7 has one mode for both VFOs.
        return getMode(facts);
    case Command::SetMode:
    case Command::SetSplitMode:
        return setMode(request, facts, flags.modeLocked);
    case Command::GetSplitFreqMode: {
        const Resolved tx = resolve(VfoName::Tx, facts);
        if (tx.first) {
            return *tx.first;
        }
        if (!facts.frequency[*tx.vfo] || !facts.mode || !facts.bandwidth) {
            return ask({ frequencyQuery(*tx.vfo), "MD;", "FW;" });
        }
        Step mode = getMode(facts);
        if (mode.answer && mode.answer->code == kOk) {
            mode.answer->values.insert(mode.answer->values.begin(),
                                       std::to_string(*facts.frequency[*tx.vfo]));
        }
        return mode;
    }
    case Command::SetSplitFreqMode: {
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
    case Command::GetSplitVfo:
        if (!facts.rxVfo || !facts.txVfo) {
            return ask({ "FR;", "FT;" });
        }
        return done(
            kOk, { *facts.rxVfo != *facts.txVfo ? "1" : "0", std::string(vfoName(*facts.txVfo)) });
    case Command::SetSplitVfo:
        return setSplit(request, facts);
    case Command::GetSplitFreq:
        return getFrequency(resolve(VfoName::Tx, facts), facts);
    case Command::SetSplitFreq: {
        const auto hz = parseFrequency(request.argument(0));
        if (!hz) {
            return done(kInvalid);
        }
        return setFrequency(VfoName::Tx, *hz, facts);
    }
    case Command::GetVfoInfo: {
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
    }
    return done(kNotImplemented);
}

} // namespace vexalo::rigctl

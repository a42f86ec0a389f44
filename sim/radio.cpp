#include "radio.h"

#include <algorithm>
#include <cstdlib>

namespace q7sim {
namespace {

std::string digits(long long value, int width)
{
    std::string text = std::to_string(std::max(value, 0LL));
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    }
    return text.substr(text.size() - static_cast<std::size_t>(width));
}

std::string status(const RadioState &s, bool bandChanged)
{
    std::string text = "IF";
    text += digits(s.freq[s.rxVfo], 11); // 3-13
    text += "00000"; // 14-18: not read by anyone, always zero
    text += s.offset < 0 ? '-' : '+'; // 19
    text += digits(std::abs(s.offset), 4); // 20-23
    text += s.rit ? '1' : '0'; // 24
    text += s.xit ? '1' : '0'; // 25
    text += "0000"; // 26-29: memory channel and transmit state, never used here
    text += digits(s.mode, 1); // 30
    text += digits(s.rxVfo, 1); // 31
    text += '0'; // 32
    text += s.rxVfo != s.txVfo ? '1' : '0'; // 33
    text += bandChanged ? '1' : '0'; // 34
    text += "000;"; // 35-38
    return text;
}

} // namespace

std::string Radio::reply(Report report) const
{
    const RadioState &s = m_state;
    switch (report) {
    case Report::FA:
        return "FA" + digits(s.freq[0], 11) + ";";
    case Report::FB:
        return "FB" + digits(s.freq[1], 11) + ";";
    case Report::FR:
        return "FR" + digits(s.rxVfo, 1) + ";";
    case Report::FT:
        return "FT" + digits(s.txVfo, 1) + ";";
    case Report::FW:
        return "FW" + digits(s.bandwidth, 4) + digits(s.filter, 1) + ";";
    case Report::GT:
        return "GT00" + digits(s.agc, 1) + ";";
    case Report::MD:
        return "MD" + digits(s.mode, 1) + ";";
    case Report::NB:
        return "NB" + digits(s.noiseBlanker, 1) + digits(s.nbLevel, 1) + ";";
    case Report::PA:
        return std::string("PA") + (s.preamp ? "1" : "0") + ";";
    case Report::RA:
        return std::string("RA0") + (s.attenuator ? "1" : "0") + ";";
    case Report::PC:
        // The short form carries whole watts, the long form tenths and a trailing digit.
        return m_form == PowerForm::Short ? "PC" + digits(s.power / 10, 3) + ";"
                                          : "PC" + digits(s.power, 3) + "0;";
    case Report::KS:
        return "KS" + digits(s.keyer, 3) + ";";
    case Report::BG:
        return "BG" + digits(s.sMeter, 2) + ";";
    case Report::IF:
        return status(s, false);
    case Report::BandIF:
        return status(s, true);
    case Report::ID:
        return "ID947;";
    case Report::Q7:
        return "Q7" + digits(s.identLevel, 1) + ";";
    case Report::LK:
        return "LK" + digits(s.lock, 1) + ";";
    case Report::AI:
        return "AI" + digits(s.autoInfo, 1) + ";";
    }
    return "?;";
}

std::vector<std::string> Radio::apply(const Change &change)
{
    const std::vector<Report> reports = applyToState(change);
    std::vector<std::string> texts;
    if (m_state.autoInfo == 0) {
        return texts;
    }
    for (const Report r : reports) {
        texts.push_back(reply(r));
    }
    return texts;
}

std::vector<Report> Radio::applyToState(const Change &c)
{
    RadioState &s = m_state;
    // Stores the value and says whether it was a change worth reporting.
    const auto set = [](auto &field, auto value) {
        if (field == value) {
            return false;
        }
        field = value;
        return true;
    };
    const int n = static_cast<int>(c.value); // every value but a frequency fits
    const bool on = c.value != 0;
    const auto onChange = [](bool changed, std::vector<Report> reports) {
        return changed ? reports : std::vector<Report> {};
    };

    // The specific reply goes before the status report: a listener that compares the status
    // report's VFO digit with what it knew would otherwise have learnt the new VFO already.
    switch (c.kind) {
    case Change::Kind::Tune: {
        const long long target = c.relative ? s.freq[c.vfo] + c.value : c.value;
        return onChange(set(s.freq[c.vfo], std::clamp(target, 0LL, maxFrequency)),
                        { c.vfo == 0 ? Report::FA : Report::FB });
    }
    case Change::Kind::Band:
        s.freq[s.rxVfo] = std::clamp(c.value, 0LL, maxFrequency);
        return { Report::BandIF, Report::FA, Report::FB, Report::FT, Report::MD,
                 Report::FW,     Report::GT, Report::PA, Report::RA, Report::NB };
    case Change::Kind::Mode:
        return onChange(set(s.mode, n), { Report::MD, Report::IF });
    case Change::Kind::Filter: {
        const bool filter = set(s.filter, n);
        const bool bandwidth = c.paired && set(s.bandwidth, static_cast<int>(*c.paired));
        return onChange(filter || bandwidth, { Report::FW });
    }
    case Change::Kind::Bandwidth:
        return onChange(set(s.bandwidth, n), { Report::FW });
    case Change::Kind::Agc:
        return onChange(set(s.agc, n), { Report::GT });
    case Change::Kind::NoiseBlanker: {
        const bool blanker = set(s.noiseBlanker, n);
        const bool level = c.paired && set(s.nbLevel, static_cast<int>(*c.paired));
        return onChange(blanker || level, { Report::NB });
    }
    case Change::Kind::NbLevel:
        return onChange(set(s.nbLevel, n), { Report::NB });
    case Change::Kind::Preamp:
        return onChange(set(s.preamp, on), { Report::PA });
    case Change::Kind::Attenuator:
        return onChange(set(s.attenuator, on), { Report::RA });
    case Change::Kind::Power:
        return onChange(set(s.power, n), { Report::PC });
    case Change::Kind::Keyer:
        return onChange(set(s.keyer, n), { Report::KS });
    case Change::Kind::Rit:
        return onChange(set(s.rit, on), { Report::IF });
    case Change::Kind::Xit:
        return onChange(set(s.xit, on), { Report::IF });
    case Change::Kind::Offset:
        return onChange(set(s.offset, n), { Report::IF });
    case Change::Kind::Split:
        return onChange(set(s.txVfo, on ? 1 - s.rxVfo : s.rxVfo), { Report::FT, Report::IF });
    case Change::Kind::RxVfo: {
        // Swapping the receive VFO keeps split as it was: the transmit VFO moves with it.
        const bool split = s.rxVfo != s.txVfo;
        const bool changed = set(s.rxVfo, n);
        s.txVfo = split ? 1 - s.rxVfo : s.rxVfo;
        return onChange(changed, { Report::FR, Report::FT, Report::IF });
    }
    case Change::Kind::TxVfo:
        return onChange(set(s.txVfo, n), { Report::FT, Report::IF });
    case Change::Kind::SMeter:
        // The meter moves all the time; a radio does not report it unasked.
        s.sMeter = n;
        return {};
    }
    return {};
}

} // namespace q7sim

#include "radio_state.h"

#include "reply.h"

namespace vexalo {

long vfoNumber(const Maybe<std::string> &recorded)
{
    return readNumber(recorded.get());
}

std::string_view firmwareName(PowerForm form)
{
    switch (form) {
    case PowerForm::Short:
        return "201B";
    case PowerForm::Long:
        return "201D+";
    case PowerForm::Unknown:
        break;
    }
    return {};
}

namespace {

std::string show(const Maybe<bool> &v)
{
    return v.isSet() ? (v.get() ? "true" : "false") : "";
}

std::string show(const Maybe<long> &v)
{
    return v.isSet() ? std::to_string(v.get()) : "";
}

std::string show(const Maybe<long long> &v)
{
    return v.isSet() ? std::to_string(v.get()) : "";
}

std::string show(const Maybe<std::string> &v)
{
    return v.get();
}

} // namespace

std::vector<std::pair<std::string, std::string>> RadioState::describe() const
{
    return {
        { "quiet_update", show(quiet_update) },
        { "radio_found", show(radio_found) },
        { "rit_state", show(rit_state) },
        { "xit_state", show(xit_state) },
        { "rit_offset", show(rit_offset) },
        { "last_freq_a", show(last_freq_a) },
        { "last_freq_b", show(last_freq_b) },
        { "rx_vfo", show(rx_vfo) },
        { "tx_vfo", show(tx_vfo) },
        { "split_on", show(split_on) },
        { "last_mhz", show(last_mhz) },
        { "firmware_format", std::string(firmwareName(firmware_format)) },
        { "last_mode", show(last_mode) },
        { "last_filter", show(last_filter) },
        { "last_agc", show(last_agc) },
        { "last_nb", show(last_nb) },
        { "last_nb_level", show(last_nb_level) },
        { "preamp_off", show(preamp_off) },
        { "att_on", show(att_on) },
        { "last_power", show(last_power) },
        { "last_speed", show(last_speed) },
        { "freq_a", show(freq_a) },
        { "freq_b", show(freq_b) },
    };
}

} // namespace vexalo

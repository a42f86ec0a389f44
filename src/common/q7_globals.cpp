#include "q7_globals.h"

#include "reply.h"

#include <charconv>

namespace vexalo {

const std::string &SettingValue::text() const
{
    static const std::string empty;
    return isText() ? std::get<std::string>(m_value) : empty;
}

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

std::string formatNumber(double value)
{
    // Independent of the user's locale: settings and dumps always use '.' as decimal point.
    char buffer[64];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string describeSetting(const SettingValue &value)
{
    if (value.isBool()) {
        return value.flag() ? "true" : "false";
    }
    if (value.isText()) {
        return value.text();
    }
    if (value.isNumber()) {
        return formatNumber(value.number());
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

std::string show(const Maybe<std::string> &v)
{
    return v.get();
}

} // namespace

std::vector<std::pair<std::string, std::string>> Q7Globals::describe() const
{
    return {
        { "comm_port", describeSetting(comm_port) },
        { "report_mode", describeSetting(report_mode) },
        { "greeting_on", describeSetting(greeting_on) },
        { "reply_pending", show(reply_pending) },
        { "quiet_update", show(quiet_update) },
        { "speech_on", show(speech_on) },
        { "radio_found", show(radio_found) },
        { "info_request", show(info_request) },
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
    };
}

} // namespace vexalo

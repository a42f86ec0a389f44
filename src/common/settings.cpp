#include "settings.h"

#include <charconv>

namespace vexalo {

const std::string &SettingValue::text() const
{
    static const std::string empty;
    return isText() ? std::get<std::string>(m_value) : empty;
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

std::vector<std::pair<std::string, std::string>> Settings::describe() const
{
    return {
        { "comm_port", describeSetting(comm_port) },
        { "report_mode", describeSetting(report_mode) },
        { "greeting_on", describeSetting(greeting_on) },
    };
}

} // namespace vexalo

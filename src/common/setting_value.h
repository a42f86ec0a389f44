// A persisted setting as the settings file can hold it: unset, a number, a boolean or a text.
// The file may hold anything, and whatever it held must survive a run and be written back
// unchanged, so settings are not forced into the type the program would like them to have.
#pragma once

#include <string>
#include <variant>

namespace vexalo {

class SettingValue {
public:
    SettingValue() = default;
    SettingValue(double number) : m_value(number) { }
    SettingValue(int number) : m_value(static_cast<double>(number)) { }
    SettingValue(bool flag) : m_value(flag) { }
    SettingValue(std::string text) : m_value(std::move(text)) { }

    bool isUnset() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isNumber() const { return std::holds_alternative<double>(m_value); }
    bool isBool() const { return std::holds_alternative<bool>(m_value); }
    bool isText() const { return std::holds_alternative<std::string>(m_value); }

    double number() const { return isNumber() ? std::get<double>(m_value) : 0.0; }
    bool flag() const { return isBool() && std::get<bool>(m_value); }
    const std::string &text() const;

    // True only for a number equal to the given integer: a text or unset value selects nothing.
    bool equalsNumber(int n) const { return isNumber() && number() == n; }

    friend bool operator==(const SettingValue &, const SettingValue &) = default;

private:
    std::variant<std::monostate, double, bool, std::string> m_value;
};

} // namespace vexalo

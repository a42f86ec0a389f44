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

    // A number read from the settings file keeps its spelling, so that it is written back
    // exactly as it was read: "100000000000000000000" or 400 digits must not come back as
    // "1e+20" or "0". A number the program sets has no spelling and is written plainly.
    static SettingValue spelledNumber(double number, std::string spelling)
    {
        SettingValue value(number);
        value.m_spelling = std::move(spelling);
        return value;
    }

    bool isUnset() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isNumber() const { return std::holds_alternative<double>(m_value); }
    bool isBool() const { return std::holds_alternative<bool>(m_value); }
    bool isText() const { return std::holds_alternative<std::string>(m_value); }

    double number() const { return isNumber() ? std::get<double>(m_value) : 0.0; }
    bool flag() const { return isBool() && std::get<bool>(m_value); }
    const std::string &text() const;
    const std::string &spelling() const { return m_spelling; } // empty unless read from a file

    // True only for a number equal to the given integer: a text or unset value selects nothing.
    bool equalsNumber(int n) const { return isNumber() && number() == n; }

    // Equal values are equal however the file spelled them.
    friend bool operator==(const SettingValue &a, const SettingValue &b)
    {
        return a.m_value == b.m_value;
    }

private:
    std::variant<std::monostate, double, bool, std::string> m_value;
    std::string m_spelling;
};

} // namespace vexalo

#include "settings_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "regular_file.h"

#include <charconv>
#include <limits>
#include <optional>
#include <utility>

namespace vexalo {

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// An optional sign, then digits with at most one '.' among them, at least one digit. Checked by
// one pass over the characters: a field may be any length, and a pattern matcher that recurses
// per character overflows the stack on a long one.
bool isPlainNumber(std::string_view text)
{
    std::size_t pos = !text.empty() && (text.front() == '+' || text.front() == '-') ? 1 : 0;
    bool point = false;
    bool digits = false;
    for (; pos < text.size(); ++pos) {
        if (isDigit(text[pos])) {
            digits = true;
        } else if (text[pos] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

// The value of a plain number; beyond the range of a double it is infinite (too large) or zero
// (too small), with its sign. Either way it is no port number and selects nothing.
double numberValue(std::string_view text)
{
    const bool negative = text.front() == '-';
    if (text.front() == '+' || negative) {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view whole = text.substr(0, text.find('.'));
        const bool large = whole.find_first_not_of('0') != std::string_view::npos;
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

// Plain decimal digits, the shortest that read back as the same value: never an exponent.
std::string plainDecimal(double value)
{
    char buffer[512];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc {}) {
        return "0";
    }
    std::string text(buffer, result.ptr);
    // No leading zero before the point: 0.5 is written ".5".
    if (text.starts_with("0.")) {
        text.erase(0, 1);
    } else if (text.starts_with("-0.")) {
        text.erase(1, 1);
    }
    return text;
}

SettingValue interpret(std::string_view raw)
{
    while (!raw.empty() && isBlank(raw.front())) {
        raw.remove_prefix(1);
    }
    while (!raw.empty() && isBlank(raw.back())) {
        raw.remove_suffix(1);
    }
    if (raw.empty()) {
        return {};
    }
    if (raw == "#TRUE#") {
        return true;
    }
    if (raw == "#FALSE#") {
        return false;
    }
    if (isPlainNumber(raw)) {
        return SettingValue::spelledNumber(numberValue(raw), std::string(raw));
    }
    return std::string(raw);
}

} // namespace

SettingsRead parseSettings(std::string_view content)
{
    SettingsRead result;
    std::size_t pos = 0;
    bool afterComma = false;
    for (SettingValue &field : result.fields) {
        while (pos < content.size() && isBlank(content[pos])) {
            ++pos;
        }
        // A field ends at a comma, a line end or the end of the file; the file's end before a
        // field has begun means the field is not there at all.
        if (pos >= content.size() && !afterComma) {
            return result;
        }
        if (pos < content.size() && content[pos] == '"') {
            const std::size_t close = content.find('"', pos + 1);
            const std::size_t end = close == std::string_view::npos ? content.size() : close;
            field = std::string(content.substr(pos + 1, end - pos - 1));
            pos = end + 1;
            while (pos < content.size() && content[pos] != ',' && !isLineEnd(content[pos])) {
                ++pos;
            }
        } else {
            const std::size_t start = pos;
            while (pos < content.size() && content[pos] != ',' && !isLineEnd(content[pos])) {
                ++pos;
            }
            field = interpret(content.substr(start, pos - start));
        }
        afterComma = pos < content.size() && content[pos] == ',';
        if (pos < content.size() && content[pos] == '\r' && pos + 1 < content.size()
            && content[pos + 1] == '\n') {
            ++pos;
        }
        ++pos;
        ++result.count;
    }
    return result;
}

std::string formatSetting(const SettingValue &value)
{
    if (value.isBool()) {
        return value.flag() ? "#TRUE#" : "#FALSE#";
    }
    if (value.isText()) {
        // Quotes do not nest: a text holding one can only have come from an unquoted field, and
        // only unquoted does it read back the same.
        if (value.text().find('"') != std::string::npos) {
            return value.text();
        }
        return '"' + value.text() + '"';
    }
    if (!value.isNumber()) {
        return {};
    }
    return value.spelling().empty() ? plainDecimal(value.number()) : value.spelling();
}

std::string formatSettingsLine(const SettingValue &commPort, const SettingValue &reportMode,
                               const SettingValue &greetingOn)
{
    return formatSetting(commPort) + ',' + formatSetting(reportMode) + ','
        + formatSetting(greetingOn) + "\r\n";
}

SettingsFileRead readSettingsFile(const QString &path, std::string &content)
{
    RegularFile file(QFile::encodeName(path).toStdString(), kMaxSettingsFileBytes);
    if (file.outcome() == RegularFile::Outcome::Missing) {
        return SettingsFileRead::Missing;
    }
    std::optional<std::string> bytes = file.readAll();
    if (!bytes) {
        return SettingsFileRead::Unreadable;
    }
    content = std::move(*bytes);
    return SettingsFileRead::Read;
}

bool writeSettingsFile(const QString &path, const std::string &content)
{
    // Only a regular file is replaced, and only one that could have been read: a folder, a
    // named pipe or a device in its place, a file the program may not read or one too large to
    // be its settings, is somebody else's and stays as it is. (Writing into a pipe would also wait
    // for a reader for good.)
    const QFileInfo existing(path);
    if (existing.exists()
        && (!existing.isFile() || !existing.isReadable()
            || static_cast<std::uintmax_t>(existing.size()) > kMaxSettingsFileBytes)) {
        return false;
    }
    QSaveFile file(path);
    // In a folder where no temporary can be created the file itself may still be writable;
    // writing it in place then beats losing the settings.
    file.setDirectWriteFallback(true);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const qint64 size = static_cast<qint64>(content.size());
    if (file.write(content.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace vexalo

#include "settings_file.h"

#include <QFile>
#include <QSaveFile>

#include "q7_globals.h"

#include <charconv>
#include <regex>

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
    static const std::regex number(R"([+-]?(\d+\.?\d*|\.\d+))");
    if (std::regex_match(raw.begin(), raw.end(), number)) {
        const char *begin = raw.data() + (raw.front() == '+' ? 1 : 0);
        double value = 0;
        std::from_chars(begin, raw.data() + raw.size(), value);
        return value;
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
        return '"' + value.text() + '"';
    }
    if (!value.isNumber()) {
        return {};
    }
    std::string text = formatNumber(value.number());
    // Plain decimals without a leading zero before the point: 0.5 is written ".5".
    if (text.starts_with("0.")) {
        text.erase(0, 1);
    } else if (text.starts_with("-0.")) {
        text.erase(1, 1);
    }
    return text;
}

std::string formatSettingsLine(const SettingValue &commPort, const SettingValue &reportMode,
                               const SettingValue &greetingOn)
{
    return formatSetting(commPort) + ',' + formatSetting(reportMode) + ','
        + formatSetting(greetingOn) + "\r\n";
}

bool readSettingsFile(const QString &path, std::string &content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    content.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return file.error() == QFile::NoError;
}

bool writeSettingsFile(const QString &path, const std::string &content)
{
    QSaveFile file(path);
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

#include "operator_input.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

namespace vexalo::operator_input {

namespace {

// What the eleven digits of an FA or FB setting can carry.
constexpr long long kHighestFrequency = 99'999'999'999;

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

long long digitsValue(std::string_view digits)
{
    long long value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

std::string padded(long long value, int width)
{
    std::array<char, 24> buffer {};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string digits(buffer.data(), ec == std::errc() ? end : buffer.data());
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

} // namespace

std::size_t largerStep(std::size_t step)
{
    return std::min(step + 1, kSteps.size() - 1);
}

std::size_t smallerStep(std::size_t step)
{
    return step == 0 ? 0 : std::min(step - 1, kSteps.size() - 1);
}

std::vector<std::string> stepClips(std::size_t step)
{
    switch (std::min(step, kSteps.size() - 1)) {
    case 0:
        return { "step", "10", "hz" };
    case 1:
        return { "step", "1", "hundred", "hz" };
    case 2:
        return { "step", "1", "khz" };
    case 3:
        return { "step", "10", "khz" };
    case 4:
        return { "step", "1", "hundred", "khz" };
    default:
        return { "step", "1", "mhz" };
    }
}

long long stepped(long long hertz, long long by)
{
    return std::clamp(hertz + by, 0LL, kHighestFrequency);
}

std::optional<long long> parseFrequencyEntry(std::string_view text)
{
    text = trimmed(text);
    const auto point = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction)
        || whole.size() > 9) {
        return std::nullopt;
    }
    const long long units = digitsValue(whole);
    // "14.074" is read the way it is written on a band plan: in megahertz.
    const bool megahertz = point != std::string_view::npos && units < 100;
    const long long unit = megahertz ? 1'000'000 : 1'000;
    const std::size_t decimals = megahertz ? 5 : 2; // tens of hertz either way
    if (fraction.size() > decimals) {
        return std::nullopt;
    }
    long long scale = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i) {
        scale *= 10;
    }
    const long long hertz = units * unit + digitsValue(fraction) * (unit / scale);
    if (hertz <= 0 || hertz > kHighestFrequency) {
        return std::nullopt;
    }
    return hertz;
}

std::optional<int> parseWholeEntry(std::string_view text, int low, int high)
{
    text = trimmed(text);
    if (text.empty() || text.size() > 4 || !allDigits(text)) {
        return std::nullopt;
    }
    const auto value = static_cast<int>(digitsValue(text));
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string frequencyCommand(int vfo, long long hertz)
{
    return settingCommand(vfo == 1 ? "FB" : "FA", hertz, 11);
}

std::string settingCommand(std::string_view letters, long long value, int width)
{
    return std::string(letters) + padded(value, width) + ";";
}

std::string kilohertzText(long long hertz)
{
    const long long tens = hertz / 10;
    return padded(tens / 100, 1) + "." + padded(tens % 100, 2);
}

std::size_t readStep(const std::filesystem::path &file)
{
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    const std::string_view value = trimmed(text);
    if (!in.fail() && !value.empty() && allDigits(value) && value.size() < 9) {
        const auto found = std::find(kSteps.begin(), kSteps.end(), digitsValue(value));
        if (found != kSteps.end()) {
            return static_cast<std::size_t>(std::distance(kSteps.begin(), found));
        }
    }
    return kDefaultStep;
}

bool writeStep(const std::filesystem::path &file, std::size_t step)
{
    std::ofstream out(file, std::ios::trunc);
    out << padded(kSteps[std::min(step, kSteps.size() - 1)], 1) << '\n';
    return static_cast<bool>(out.flush());
}

} // namespace vexalo::operator_input

// What the operator types or steps through when changing the radio, as pure functions: the tuning
// steps, the frequency entry's text read as hertz, and the Q7's setting commands, which take the
// layout of the replies. Numbers are read and written without the desktop's locale, so the
// entry means the same on every desktop.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo::operator_input {

// 10 Hz up to 1 MHz, each ten times the last.
inline constexpr std::array<long long, 6> kSteps { 10, 100, 1'000, 10'000, 100'000, 1'000'000 };
inline constexpr std::size_t kDefaultStep = 2; // 1 kHz

// The neighbouring step, staying at the ends.
std::size_t largerStep(std::size_t step);
std::size_t smallerStep(std::size_t step);
// The words of a step size ("step", "1", "khz").
std::vector<std::string> stepClips(std::size_t step);

// The frequency a step press aims at, kept within what the FA layout can carry (eleven digits)
// and above zero.
long long stepped(long long hertz, long long by);

// The entry's text as hertz: kHz with up to two decimals, "." or "," as the decimal point; a
// number with a decimal point below 100 is MHz. Nothing when the text is not such a number or
// names no frequency above 0.
std::optional<long long> parseFrequencyEntry(std::string_view text);
// The power and keyer entries: a whole number within [low, high].
std::optional<int> parseWholeEntry(std::string_view text, int low, int high);

// "FA00014074000;" for VFO A (0) or "FB..." for B (1).
std::string frequencyCommand(int vfo, long long hertz);
// Two letters and a number padded to `width` digits: ("MD", 2, 1) gives "MD2;".
std::string settingCommand(std::string_view letters, long long value, int width);
// The kHz with two decimals of a frequency, as the text lines show it ("60000.00").
std::string kilohertzText(long long hertz);

// The step index kept in its own small file; the default when the file is missing or unreadable.
std::size_t readStep(const std::filesystem::path &file);
bool writeStep(const std::filesystem::path &file, std::size_t step);

} // namespace vexalo::operator_input

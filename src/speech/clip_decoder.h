// Turns a sound file into the frames the output plays: mono, 16-bit, at the device's rate,
// whatever encoding, rate or channel count the file has (anything libsndfile reads). Also
// makes the beep that stands in for a clip that cannot be played.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vexalo {

using Frames = std::vector<std::int16_t>;

// Longest clip accepted; a clip is one word, so anything longer is a broken or foreign file
// and is not worth holding in memory.
inline constexpr int kMaxClipSeconds = 30;

// The decoded clip at `rate`, or nothing when the file is missing, unreadable, empty or
// longer than kMaxClipSeconds.
std::optional<Frames> decodeClip(const std::filesystem::path &file, int rate);

// Channels are averaged, then the rate is converted by linear interpolation: enough for
// speech, and clips recorded at the device's own rate pass through untouched.
Frames toMonoAtRate(const std::vector<float> &interleaved, int channels, int fromRate, int toRate);

// A short soft tone at `rate`, faded in and out so that it does not click.
Frames makeBeep(int rate);

} // namespace vexalo

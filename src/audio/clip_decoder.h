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

// What a clip may cost. A clip is one word, so anything beyond these is a broken or foreign
// file and is not worth holding in memory. The file size and the channel count are checked
// before any frame is decoded; the length is checked while decoding, since a damaged header
// can claim anything.
inline constexpr int kMaxClipSeconds = 30;
inline constexpr long long kMaxClipFileBytes = 16LL << 20;
inline constexpr int kMaxClipChannels = 8;
inline constexpr int kMaxClipFileRate = 384000;

// The decoded clip at `rate`, or nothing when the file is missing, no regular file (a named
// pipe would block the program for good), unreadable, empty or over the limits above.
std::optional<Frames> decodeClip(const std::filesystem::path &file, int rate);

// Edges louder than this (about -30 dBFS) click when a clip starts or ends on them.
inline constexpr int kLoudEdge = 1036;
inline constexpr int kEdgeRampMilliseconds = 5;

// Fades in the first and fades out the last kEdgeRampMilliseconds of a clip whose start or
// end reaches kLoudEdge there, so that a recording cut mid-swing does not click; edges that
// are already quiet are left as they are.
void softenLoudEdges(Frames &frames, int rate);

// Channels are averaged, then the rate is converted by linear interpolation: enough for
// speech, and clips recorded at the device's own rate pass through untouched.
Frames toMonoAtRate(const std::vector<float> &interleaved, int channels, int fromRate, int toRate);

// A short soft tone at `rate`, faded in and out so that it does not click.
Frames makeBeep(int rate);

} // namespace vexalo

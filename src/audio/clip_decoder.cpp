#include "clip_decoder.h"

#include "regular_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace vexalo {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE *file) const { sf_close(file); }
};

std::int16_t toSample(float value)
{
    // libsndfile scales 16-bit data by 1/32768 when reading floats; the same factor back makes
    // 16-bit clips round-trip exactly.
    const float scaled = std::round(value * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

// Appends the average of each frame's channels.
void mixDownInto(std::vector<float> &mono, const float *interleaved, std::size_t frames,
                 int channels)
{
    for (std::size_t i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += interleaved[i * channels + c];
        }
        mono.push_back(sum / static_cast<float>(channels));
    }
}

} // namespace

std::optional<Frames> decodeClip(const std::filesystem::path &file, int rate)
{
    if (rate <= 0) {
        return std::nullopt;
    }
    // Opened without blocking, so that a named pipe or a device in the sound folder cannot
    // hold the program in open(); only a regular file of bounded size is read any further.
    // Declared before the SNDFILE that reads it, so that it is closed after it.
    const RegularFile clip(file, kMaxClipFileBytes);
    if (!clip.opened()) {
        return std::nullopt;
    }
    SF_INFO info {};
    const std::unique_ptr<SNDFILE, SndfileCloser> sound(
        sf_open_fd(clip.descriptor(), SFM_READ, &info, SF_FALSE));
    if (!sound || info.channels <= 0 || info.channels > kMaxClipChannels || info.samplerate <= 0
        || info.samplerate > kMaxClipFileRate) {
        return std::nullopt;
    }

    // The header's frame count is not trusted for the allocation: a damaged header can claim
    // anything, and a compressed file can hold far more frames than its size suggests. Reading
    // in chunks up to the limit bounds memory by what the file really holds; channels are
    // mixed down on the way, so only mono frames are kept.
    const long long limit = static_cast<long long>(kMaxClipSeconds) * info.samplerate;
    constexpr sf_count_t chunkFrames = 4096;
    std::vector<float> mono;
    std::vector<float> chunk(static_cast<std::size_t>(chunkFrames) * info.channels);
    for (;;) {
        const sf_count_t got = sf_readf_float(sound.get(), chunk.data(), chunkFrames);
        if (got <= 0) {
            break;
        }
        if (static_cast<long long>(mono.size()) + got > limit) {
            return std::nullopt;
        }
        mixDownInto(mono, chunk.data(), static_cast<std::size_t>(got), info.channels);
    }
    if (sf_error(sound.get()) != SF_ERR_NO_ERROR || mono.empty()) {
        return std::nullopt;
    }
    return toMonoAtRate(mono, 1, info.samplerate, rate);
}

Frames toMonoAtRate(const std::vector<float> &interleaved, int channels, int fromRate, int toRate)
{
    std::vector<float> mono;
    mono.reserve(interleaved.size() / static_cast<std::size_t>(channels));
    mixDownInto(mono, interleaved.data(), interleaved.size() / static_cast<std::size_t>(channels),
                channels);
    const std::size_t inFrames = mono.size();

    Frames out;
    if (fromRate == toRate) {
        out.reserve(inFrames);
        std::transform(mono.begin(), mono.end(), std::back_inserter(out), toSample);
        return out;
    }
    const auto outFrames = static_cast<std::size_t>(
        (static_cast<long long>(inFrames) * toRate + fromRate / 2) / fromRate);
    out.reserve(outFrames);
    const double step = static_cast<double>(fromRate) / toRate;
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double position = static_cast<double>(i) * step;
        const auto left = std::min(static_cast<std::size_t>(position), inFrames - 1);
        const std::size_t right = std::min(left + 1, inFrames - 1);
        const auto fraction = static_cast<float>(position - static_cast<double>(left));
        out.push_back(toSample(mono[left] + (mono[right] - mono[left]) * fraction));
    }
    return out;
}

void softenLoudEdges(Frames &frames, int rate)
{
    const auto ramp = std::min(frames.size() / 2,
                               static_cast<std::size_t>(rate * kEdgeRampMilliseconds / 1000));
    if (ramp == 0) {
        return;
    }
    const auto loud = [](auto begin, auto end) {
        return std::any_of(begin, end, [](std::int16_t s) { return std::abs(s) >= kLoudEdge; });
    };
    // A raised cosine: its slope is zero at both ends, so the ramp adds no click of its own.
    const auto gain = [ramp](std::size_t i) {
        return 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / ramp);
    };
    if (loud(frames.begin(), frames.begin() + ramp)) {
        for (std::size_t i = 0; i < ramp; ++i) {
            frames[i] = static_cast<std::int16_t>(std::lround(frames[i] * gain(i)));
        }
    }
    if (loud(frames.end() - ramp, frames.end())) {
        for (std::size_t i = 0; i < ramp; ++i) {
            auto &sample = frames[frames.size() - 1 - i];
            sample = static_cast<std::int16_t>(std::lround(sample * gain(i)));
        }
    }
}

Frames makeBeep(int rate)
{
    constexpr double frequency = 880.0;
    constexpr double seconds = 0.15;
    constexpr double fadeSeconds = 0.01;
    constexpr double amplitude = 0.3;
    const auto frames = static_cast<std::size_t>(rate * seconds);
    const double fadeFrames = rate * fadeSeconds;
    Frames beep(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double edge = std::min<double>(i, frames - 1 - i);
        const double fade
            = edge < fadeFrames ? 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fadeFrames) : 1.0;
        const double value
            = amplitude * fade * std::sin(2 * std::numbers::pi * frequency * i / rate);
        beep[i] = static_cast<std::int16_t>(std::lround(value * 32767));
    }
    return beep;
}

} // namespace vexalo

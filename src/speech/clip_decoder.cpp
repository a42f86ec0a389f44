#include "clip_decoder.h"

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

} // namespace

std::optional<Frames> decodeClip(const std::filesystem::path &file, int rate)
{
    SF_INFO info {};
    const std::unique_ptr<SNDFILE, SndfileCloser> sound(sf_open(file.c_str(), SFM_READ, &info));
    if (!sound || info.channels <= 0 || info.samplerate <= 0 || rate <= 0) {
        return std::nullopt;
    }

    // The header's frame count is not trusted for the allocation: a damaged header can claim
    // anything. Reading in chunks up to the limit bounds memory by what the file really holds.
    const long long limit = static_cast<long long>(kMaxClipSeconds) * info.samplerate;
    constexpr sf_count_t chunkFrames = 4096;
    std::vector<float> samples;
    std::vector<float> chunk(static_cast<std::size_t>(chunkFrames) * info.channels);
    long long total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(sound.get(), chunk.data(), chunkFrames);
        if (got <= 0) {
            break;
        }
        total += got;
        if (total > limit) {
            return std::nullopt;
        }
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + got * info.channels);
    }
    if (sf_error(sound.get()) != SF_ERR_NO_ERROR || total == 0) {
        return std::nullopt;
    }
    return toMonoAtRate(samples, info.channels, info.samplerate, rate);
}

Frames toMonoAtRate(const std::vector<float> &interleaved, int channels, int fromRate, int toRate)
{
    const std::size_t inFrames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<float> mono(inFrames);
    for (std::size_t i = 0; i < inFrames; ++i) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += interleaved[i * channels + c];
        }
        mono[i] = sum / static_cast<float>(channels);
    }

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

// Sound folders made on the spot for the player's tests: a temporary directory and WAV files
// of known content written with libsndfile, so that what the player hands the device can be
// compared frame by frame.
#pragma once

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vexalo::testing {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        do {
            m_path = fs::temp_directory_path() / ("vexalo-audio-" + std::to_string(random()));
        } while (!fs::create_directory(m_path));
    }
    ~TempFolder() { fs::remove_all(m_path); }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

// Interleaved 16-bit samples written in the given container format and encoding.
inline void writeWav(const fs::path &file, const std::vector<std::int16_t> &samples, int rate,
                     int channels = 1, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
{
    fs::create_directories(file.parent_path());
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *sound = sf_open(file.string().c_str(), SFM_WRITE, &info);
    ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(samples.size()) / channels;
    const int subtype = format & SF_FORMAT_SUBMASK;
    if (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE) {
        // Float files hold -1..1; libsndfile would store 16-bit values unscaled.
        std::vector<float> scaled(samples.begin(), samples.end());
        for (float &value : scaled) {
            value /= 32768.0f;
        }
        sf_writef_float(sound, scaled.data(), frames);
    } else {
        sf_writef_short(sound, samples.data(), frames);
    }
    sf_close(sound);
}

inline void writeBytes(const fs::path &file, const std::string &bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// Content that differs from clip to clip and from frame to frame, and is never silent.
inline std::vector<std::int16_t> patternFor(const std::string &name, std::size_t frames)
{
    std::vector<std::int16_t> samples(frames);
    const auto seed = static_cast<int>(std::hash<std::string> {}(name) % 997);
    for (std::size_t i = 0; i < frames; ++i) {
        samples[i] = static_cast<std::int16_t>(1 + (seed * 31 + static_cast<int>(i) * 7) % 20000);
    }
    return samples;
}

} // namespace vexalo::testing

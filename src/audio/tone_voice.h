// The S-meter tone as the audio thread makes it: a sine added under what the device is about to
// play, heard only once the clips have left off for a moment, so that speech pauses it. Its
// pitch glides to each new target and it fades in and out, so nothing clicks. Plain state, no
// locks: the one caller is the audio thread; the target reaches it through the output's atomic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexalo {

class ToneVoice {
public:
    // Full scale is the clips' loudest; the tone sits well below the words.
    static constexpr double kAmplitude = 0.12;
    static constexpr double kFadeSeconds = 0.010;
    static constexpr double kGlideSeconds = 0.012; // time constant of the glide
    // The tone comes back only after this much silence, so that it is not heard in the short
    // gaps between the words of an announcement.
    static constexpr double kResumeSeconds = 0.150;

    // Quiet, as after the end of a clip long enough ago.
    void reset(int rate);

    // Adds the tone at `target` hertz (0: none) to the frames; the first `speech` frames hold
    // clip sound, under which the tone fades out and then stays silent.
    void mix(std::span<std::int16_t> frames, std::size_t speech, double target);

    // Heard in the last frames mixed, or about to be: the stream must keep running.
    bool sounding(double target) const { return target > 0 || m_gain > 0; }

private:
    int m_rate = 0;
    double m_phase = 0; // radians, kept below 2 pi
    double m_hertz = 0;
    double m_gain = 0; // 0 to 1, before shaping
    long m_quiet = 0; // frames since the last clip frame
};

} // namespace vexalo

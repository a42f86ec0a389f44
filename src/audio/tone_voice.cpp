#include "tone_voice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vexalo {

void ToneVoice::reset(int rate)
{
    m_rate = rate;
    m_phase = 0;
    m_hertz = 0;
    m_gain = 0;
    m_quiet = static_cast<long>(kResumeSeconds * rate);
}

void ToneVoice::mix(std::span<std::int16_t> frames, std::size_t speech, double target)
{
    if (m_rate <= 0) {
        return;
    }
    speech = std::min(speech, frames.size());
    if (!sounding(target)) {
        const auto after = static_cast<long>(frames.size() - speech);
        m_quiet = speech > 0 ? after : m_quiet + after;
        return;
    }
    const double rate = m_rate;
    const double fadeStep = 1.0 / (kFadeSeconds * rate);
    const double glide = 1.0 - std::exp(-1.0 / (kGlideSeconds * rate));
    const auto resume = static_cast<long>(kResumeSeconds * rate);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        m_quiet = i < speech ? 0 : m_quiet + 1;
        const bool wanted = target > 0 && m_quiet >= resume;
        if (wanted && m_gain <= 0) {
            // Starting from silence: at the new pitch at once, nothing to glide from.
            m_hertz = target;
        } else if (target > 0) {
            m_hertz += (target - m_hertz) * glide;
        }
        m_gain = std::clamp(m_gain + (wanted ? fadeStep : -fadeStep), 0.0, 1.0);
        if (m_gain <= 0) {
            continue;
        }
        m_phase += 2 * std::numbers::pi * m_hertz / rate;
        if (m_phase >= 2 * std::numbers::pi) {
            m_phase -= 2 * std::numbers::pi;
        }
        // Smoothstep: the fade starts and ends without a corner.
        const double shaped = m_gain * m_gain * (3 - 2 * m_gain);
        const long sample
            = frames[i] + std::lround(kAmplitude * shaped * std::sin(m_phase) * 32767);
        frames[i] = static_cast<std::int16_t>(std::clamp(sample, -32768L, 32767L));
    }
}

} // namespace vexalo

// A sound card that keeps everything it is given: the frames in order, how often it was
// opened, and how much was still queued each time the player waited. It plays instantly, so
// the player's timing is seen in what it asks for, not in how long it takes.
#pragma once

#include "audio_output.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace vexalo::testing {

// Owned by the test, so it can be read after the sink (which owns the output) is gone.
struct Device {
    bool present = true;
    int rate = 22050;
    bool failWrites = false;
    bool paused = false; // takes nothing from the queue, so every wait runs out
    std::chrono::milliseconds running { std::chrono::hours(1) }; // since the stream started

    bool open = false;
    int opens = 0;
    int closes = 0;
    int stops = 0;
    long queued = 0;
    std::vector<std::int16_t> heard;
    std::vector<long> queuedAfterDrain;
};

class FakeAudioOutput : public AudioOutput {
public:
    explicit FakeAudioOutput(Device &device) : m_device(device) { }

    int open(int) override
    {
        ++m_device.opens;
        m_device.open = m_device.present;
        return m_device.present ? m_device.rate : 0;
    }

    bool write(std::span<const std::int16_t> frames) override
    {
        if (!m_device.open || m_device.failWrites) {
            m_device.open = false;
            return false;
        }
        m_device.heard.insert(m_device.heard.end(), frames.begin(), frames.end());
        m_device.queued += static_cast<long>(frames.size());
        return true;
    }

    bool drainTo(long frames, std::chrono::milliseconds) override
    {
        if (!m_device.paused) {
            m_device.queued = std::min(m_device.queued, frames);
        }
        m_device.queuedAfterDrain.push_back(m_device.queued);
        return m_device.queued <= frames;
    }

    bool quiet() const override { return m_device.queued == 0; }
    std::chrono::milliseconds runningFor() const override
    {
        return m_device.open ? m_device.running : std::chrono::milliseconds(0);
    }

    void stop() override
    {
        m_device.queued = 0;
        ++m_device.stops;
    }

    void close() override
    {
        m_device.queued = 0;
        m_device.open = false;
        ++m_device.closes;
    }

private:
    Device &m_device;
};

} // namespace vexalo::testing

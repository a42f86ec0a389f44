// The device end of clip playback: a stream of mono 16-bit frames whose write blocks while the
// device buffer is full. PortAudioOutput drives the sound card; tests put a fake in its place
// that counts frames, so the player can be checked on machines without audio hardware.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace vexalo {

// A wait that ends only when its condition holds.
inline constexpr std::chrono::milliseconds kWholeWait = std::chrono::hours(24);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the default device for mono 16-bit frames, asking for preferredRate. Returns the
    // rate the device actually plays at, or 0 when there is no usable device. On an output that
    // is already open it returns the current rate.
    virtual int open(int preferredRate) = 0;

    // Queues the frames behind what is already queued, blocking until the device has taken the
    // last of them. False when the device failed; the output is closed then.
    virtual bool write(std::span<const std::int16_t> frames) = 0;

    // Blocks until no more than `frames` frames are still waiting to be heard, or `limit` has
    // passed; false in the second case only. A device that stopped playing counts as drained.
    virtual bool drainTo(long frames, std::chrono::milliseconds limit) = 0;

    // What is queued goes unheard: taking from the queue stops within a few milliseconds, with
    // a fade short enough not to be heard as more than the end of the sound.
    virtual void stop() = 0;

    // Lets what is queued be heard, then releases the device.
    virtual void close() = 0;

    // True when nothing written, and no tone, is left to be heard: a sound played elsewhere
    // now would sound over nothing of this output's.
    virtual bool quiet() const = 0;

    // How long the stream has run without a break; zero while none runs. Writing nothing
    // starts one that had stopped.
    virtual std::chrono::milliseconds runningFor() const = 0;

    // A soft continuous tone at this pitch under the sound, heard only while nothing is queued;
    // 0 ends it. An output that makes no tone ignores it.
    virtual void setTone(double hertz) { (void)hertz; }
};

} // namespace vexalo

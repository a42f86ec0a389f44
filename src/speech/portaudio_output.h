// The sound card as an AudioOutput: a PortAudio callback stream on the default output device,
// fed from a lock-free ring that the program fills. PortAudio and the ALSA and JACK libraries
// under it are kept off the terminal, since the program must print nothing, least of all on
// machines that have no sound card at all.
#pragma once

#include "audio_output.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

namespace vexalo {

struct OutputOptions {
    // Asked of the device explicitly: a sound server otherwise runs at its idle latency (up
    // to seconds), and the first clip waits for it.
    std::chrono::milliseconds latency { 20 };
    // How long the stream is kept fed with silence after the last sound. A stream that runs
    // dry makes the sound stack drop the start of the next sound, and restarting it waits for
    // the sound server; but feeding silence costs a wake-up every period, so an idle program
    // stops the stream after this time and restarts it, primed with silence, when it speaks.
    std::chrono::milliseconds keepFed { 5000 };
    // Silence played first by a stream just started: on a sound server its first tens of
    // milliseconds can be dropped or broken up.
    std::chrono::milliseconds prime { 100 };
};

class PortAudioOutput : public AudioOutput {
public:
    // Touches no library: PortAudio is initialised by the first open().
    explicit PortAudioOutput(OutputOptions options = {});
    ~PortAudioOutput() override;

    PortAudioOutput(const PortAudioOutput &) = delete;
    PortAudioOutput &operator=(const PortAudioOutput &) = delete;

    int open(int preferredRate) override;
    bool write(std::span<const std::int16_t> frames) override;
    void drainTo(long frames) override;
    void close() override;

    // Called on PortAudio's audio thread: hands out queued frames, silence when there are none.
    int fill(std::int16_t *out, unsigned long frames);

private:
    // Initialises PortAudio and starts the stream; a PortAudio error code.
    int start(int preferredRate);
    // Starts the stream again when it stopped after the idle time; false when it cannot.
    bool running();
    // Replaces the stream that stopped itself by a new one, primed; false when it cannot.
    bool reopen();
    // Frames written but not yet taken by the audio thread.
    long ringQueued() const;
    // Closes without letting the queue play (the device has failed).
    void abandon();

    OutputOptions m_options;
    void *m_stream = nullptr;
    bool m_initialised = false;
    int m_rate = 0;
    long m_deviceFrames = 0; // held by the device between the ring and the ear

    // The ring is shared with the audio thread: the program alone advances m_written, the
    // audio thread alone advances m_read and its own counters. Both only grow.
    std::vector<std::int16_t> m_ring;
    std::atomic<std::uint64_t> m_written { 0 };
    std::atomic<std::uint64_t> m_read { 0 };
    long m_primeFrames = 0; // silence played first after a (re)start; audio thread only
    long m_idleFrames = 0; // silence played since the last sound; audio thread only
    long m_keepFedFrames = 0;
    std::atomic<bool> m_idleStopped { false }; // the audio thread ended the stream, idle
};

} // namespace vexalo

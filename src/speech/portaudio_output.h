// The sound card as an AudioOutput: a PortAudio blocking stream on the default output device.
// PortAudio and the ALSA and JACK libraries under it are kept off the terminal, since the
// program must print nothing, least of all on machines that have no sound card at all.
#pragma once

#include "audio_output.h"

namespace vexalo {

class PortAudioOutput : public AudioOutput {
public:
    // Touches no library: PortAudio is initialised by the first open().
    PortAudioOutput() = default;
    ~PortAudioOutput() override;

    PortAudioOutput(const PortAudioOutput &) = delete;
    PortAudioOutput &operator=(const PortAudioOutput &) = delete;

    int open(int preferredRate) override;
    bool write(std::span<const std::int16_t> frames) override;
    void drainTo(long frames) override;
    void close() override;

private:
    // Initialises PortAudio and starts the stream; a PortAudio error code.
    int start(int preferredRate);
    // Closes without letting the queue play (the device has failed).
    void abandon();

    void *m_stream = nullptr;
    bool m_initialised = false;
    int m_rate = 0;
    long m_capacity = 0;
};

} // namespace vexalo

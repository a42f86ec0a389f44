// The sound card as an AudioOutput: a PortAudio callback stream on the default output device,
// fed from a lock-free ring, the S-meter tone made under it. PortAudio stays up from the first
// clip to the end (only a device that went away makes it start afresh); an idle stream is closed
// from the Qt event loop. The stream is named to the sound server; PortAudio, ALSA and JACK are
// kept off the terminal.
#pragma once

#include "audio_output.h"
#include "tone_voice.h"

#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vexalo {

// How the stream is shown in the desktop's volume control, on PulseAudio and on PipeWire.
struct StreamLabel {
    std::string application = "Vexalo";
    std::string icon = "org.vexalo.Vexalo"; // the desktop entry's icon
    std::string media = "Transceiver announcements";
};

struct OutputOptions {
    // Asked of the device explicitly: a sound server otherwise runs at its idle latency (up
    // to seconds), and the first clip waits for it. At 20 ms a new stream on PulseAudio ran
    // dry as it started and the server threw away up to a second of what came next; at 25 ms
    // it held on an idle machine, but not beside a build: the sound servers' client thread in
    // this process runs at normal priority, and with two busy loops beside it a 20 ms stream
    // lost 200-600 ms of 900 (25 ms: 815-870 heard of 900; 40 ms: 848-884). A realtime audio
    // thread did not help (the client thread, not PortAudio's, falls behind). Only a new
    // stream's first sound waits for nothing; a stream kept fed holds this much silence ahead
    // of the next sound.
    std::chrono::milliseconds latency { 40 };
    // How long the stream is kept fed with silence after the last sound (the tone is sound too)
    // before it stops itself; the next clip opens a new one. Feeding cost 7-15 ms of CPU a second
    // on PipeWire and PulseAudio, while a new stream started within 15 ms of a fed one (sooner on
    // PulseAudio), so this only bridges a query's wait for its reply (at most 0.5 s) and the pause
    // between announcements.
    std::chrono::milliseconds keepFed { 500 };
    // Whether PortAudio stays up once the stream has closed for idleness. A second output lets
    // go of it, so that the library, which lists the devices only as it starts, can start
    // afresh when the first output has lost its device.
    bool holdsLibraryIdle = true;
    StreamLabel label;
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
    bool drainTo(long frames, std::chrono::milliseconds limit) override;
    // Marks what is written so far as dropped; the audio thread fades out the next few
    // milliseconds of it and skips the rest, so the sound ends within one callback.
    void stop() override;
    void close() override;
    bool quiet() const override;
    std::chrono::milliseconds runningFor() const override;
    // Made by the audio thread under the clips; the stream keeps running while it is on.
    void setTone(double hertz) override;

    // Called on PortAudio's audio thread: hands out queued frames, silence when there are none.
    // deviceDelay is how long the first of these frames takes to be heard, in seconds.
    int fill(std::int16_t *out, unsigned long frames, double deviceDelay);

private:
    // Opens and starts a stream, initialising PortAudio first if it is not; a PortAudio error.
    int start(int preferredRate);
    // Opens a new stream when the last one stopped or was closed after the idle time, and when
    // the device stopped it, starts PortAudio afresh if allowed; false when nothing plays.
    bool running(bool mayStartAfresh);
    // Closes the stream, if one is open; it must not be running.
    void closeStream();
    // Closes the stream once the audio thread has ended it for idleness. Left open, the sound
    // servers' pulse plug-in keeps its connection awake: 2-4 ms of CPU a second, all idle long.
    void closeIdleStream();
    // Replaces the idle stream by a new one; when it cannot, the device or the sound server
    // behind it went away, and PortAudio is started afresh. False when nothing plays.
    bool restart();
    // Ends PortAudio and starts it again with a new stream at this rate: how a sound server
    // that restarted, or a card plugged in again, is found. What is queued is played on the new
    // stream when it was written for the stream that idled, and dropped when a failed device
    // left it: by the next clip it is stale.
    bool restartAfresh(int rate, bool keepQueued);
    // Ready to play from silence after a (re)start; the stream must not be running.
    void resetFeed();
    // True while a stream just started takes frames faster than it can play or hold them: a
    // sound server that underran at the start throws them away. Audio thread only.
    bool settling(unsigned long frames, double deviceDelay);
    // A stream is open and has not ended itself for idleness (it may have failed).
    bool streaming() const;
    // Frames written but not yet taken by the audio thread, less those dropped.
    long ringQueued() const;
    // Closes the stream without letting the queue play and ends PortAudio (the device failed).
    void abandon();
    // Works out when the first frame of a sound after silence is heard. Audio thread only.
    void noteSoundStart(unsigned long silence, unsigned long taken, double deviceDelay);
    // Logs when the first frame after a silence is due to be heard, for scripts/bench.
    void logSoundStart();

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
    // What was written before the last stop() is not played; set by the program only.
    std::atomic<std::uint64_t> m_dropUntil { 0 };
    long m_idleFrames = 0; // silence played since the last sound; audio thread only
    bool m_silent = true; // the last callback took nothing from the ring; audio thread only
    // The device has played out every sound handed to it; set by the audio thread, false
    // before the frames it takes are published.
    std::atomic<bool> m_playedOut { true };
    // The look at a stream just started (settling()); audio thread only. m_settleHanded is
    // what the last call handed out, -1 before the first call.
    bool m_settling = false;
    long m_settleHanded = -1;
    std::chrono::steady_clock::time_point m_settleStart, m_settleSince;
    long m_keepFedFrames = 0;
    std::chrono::steady_clock::time_point m_started; // the stream, by the program
    std::atomic<bool> m_idleStopped { false }; // the audio thread ended the stream, idle
    QTimer m_idleClose; // looks once the stream should have ended for idleness
    // When the first frame after the latest silence is heard, in microseconds of the system
    // clock; set by the audio thread, logged by the program. While it is being worked out:
    // the frames of the sound handed out and the latest date of its first frame (seconds, 0
    // once published); audio thread only.
    std::atomic<std::int64_t> m_soundStart { 0 };
    long m_soundFrames = 0;
    double m_soundHeard = 0;
    std::int64_t m_soundStartLogged = 0;
    // The tone's pitch, set by the program, and its voice, audio thread only.
    std::atomic<double> m_toneTarget { 0 };
    static_assert(std::atomic<double>::is_always_lock_free);
    ToneVoice m_tone;
};

} // namespace vexalo

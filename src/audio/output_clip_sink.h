// The product's ClipSink: plays "ZSsounds/" + name + ".wav", relative to the working directory,
// on the default sound card. Relies on an AudioOutput for the device (PortAudioOutput unless
// one is given), on clip_decoder for the files and on generated_sound for the cues; each clip is
// made once and kept.
#pragma once

#include "audio_output.h"
#include "clip_decoder.h"
#include "clip_sink.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

// The rate espeak-ng records at, asked of the device first so that clips pass unconverted.
inline constexpr int kClipRate = 22050;

struct ClipSinkOptions {
    std::filesystem::path folder = "ZSsounds";
    std::chrono::milliseconds tail { 40 };
    std::chrono::milliseconds reopenInterval { 10000 };
};

// End of a clip: playClip returns once all but the last `tail` of the clip has been heard, not
// when the device has run empty. The next clip of an announcement is then written while that
// tail still sounds, so the words join with no gap and no click, where waiting for an empty
// device would put a restart of the device between every two words. After the last clip of
// an announcement the program goes on with at most the tail (40 ms) still sounding: too short
// to hear as an overlap, and no other sound can overtake it, since every later clip queues
// behind it. Destroying the sink lets the queue play out, so the farewell is heard whole.
//
// A tick goes through a second output, the prompt one, when it is given one and the first is
// quiet: the first holds 40 ms of silence ahead of any sound, which makes a tick late for the
// report it marks. Over other sound, or when the prompt output cannot play, the tick queues
// on the first output like a clip.
//
// Without a device every clip is silent and costs nothing; the device is looked for again at
// the first clip after `reopenInterval`, so a card plugged in later is found. A clip that is
// missing or cannot be decoded is heard as a short beep, and the announcement goes on. A clip
// that starts or ends loud (cut mid-swing, an operator's own recording) is faded there so
// that it does not click.
class OutputClipSink : public ClipSink {
public:
    // Fast and quiet: the device is opened by the first clip.
    OutputClipSink();
    explicit OutputClipSink(std::unique_ptr<AudioOutput> output, ClipSinkOptions options = {},
                            std::unique_ptr<AudioOutput> prompt = nullptr);
    ~OutputClipSink() override;

    OutputClipSink(const OutputClipSink &) = delete;
    OutputClipSink &operator=(const OutputClipSink &) = delete;

    void playClip(std::string_view name) override;
    void startClip(std::string_view name) override;
    bool awaitClip(std::chrono::milliseconds limit) override;
    // Drops what is queued, so an awaited clip ends at once.
    void stop() override;
    void playMissing(std::string_view requested) override;
    // Written through the same stream as the clips, so the pause is exactly this long and the
    // device is kept fed through it.
    void playSilence(std::chrono::milliseconds length) override;
    void drain() override;
    // Opens the device for it if none is open; the output pauses it under the clips.
    void setTone(double hertz) override;

    // What the decoded clips take in memory, and how many there are.
    std::size_t cachedBytes() const;
    std::size_t cachedClips() const { return m_cache.size(); }

private:
    // True when a device is open, trying to open one if the last try is old enough.
    bool deviceReady();
    // The clip's frames, decoding and keeping them on first use; null when it cannot be played.
    const Frames *clipFrames(std::string_view name);
    void play(const Frames &frames);
    // Plays a tick through the prompt output; false when it cannot, for a while when it failed.
    bool playPrompt(std::string_view name);
    // Queues the frames; false when the device went away meanwhile.
    bool write(const Frames &frames);
    // Within reopenInterval of this attempt, so that a device is not tried again yet.
    bool recently(const std::optional<std::chrono::steady_clock::time_point> &when) const;
    long tailFrames() const { return static_cast<long>(m_options.tail.count() * m_rate / 1000); }

    // How long the prompt output's stream has run before it takes a tick: under the 100 ms
    // between the radio's reports while the knob turns, so that only a turn's first tick waits
    // behind the other output's fed silence.
    static constexpr std::chrono::milliseconds kPromptWarmUp { 80 };

    std::unique_ptr<AudioOutput> m_output;
    ClipSinkOptions m_options;
    std::unique_ptr<AudioOutput> m_prompt;
    std::optional<std::chrono::steady_clock::time_point> m_promptFailed;
    int m_rate = 0; // of the open device; 0 while there is none
    int m_cacheRate = 0; // the clips in the cache and the beep were made for
    std::optional<std::chrono::steady_clock::time_point> m_lastAttempt;
    std::map<std::string, Frames, std::less<>> m_cache;
    Frames m_beep;
};

} // namespace vexalo

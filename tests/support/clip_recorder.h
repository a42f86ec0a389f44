// The one clip recorder of the tests: every clip asked for becomes a line "clip NAME" (or
// "missing NAME" for something that is no clip name) in a log that other fakes may share, so
// that clips, writes and port events can be checked in the order they happened.
#pragma once

#include "clip_sink.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo::testing {

using Clips = std::vector<std::string>;

// The clip names in a log, in order, other entries left out; a missing clip shows as "?NAME",
// a recorded pause as "|".
template <typename Log> Clips clipNames(const Log &log)
{
    Clips names;
    for (const auto &entry : log) {
        const std::string line(std::string_view(entry.data(), entry.size()));
        if (line.starts_with("clip ")) {
            names.push_back(line.substr(5));
        } else if (line.starts_with("missing ")) {
            names.push_back("?" + line.substr(8));
        } else if (line.starts_with("pause ")) {
            names.push_back("|");
        }
    }
    return names;
}

// Log is any list of texts built from a C string: std::vector<std::string> or QStringList.
template <typename Log = std::vector<std::string>> class ClipRecorder : public ClipSink {
public:
    ClipRecorder() : m_log(m_own) { }
    explicit ClipRecorder(Log &shared) : m_log(shared) { }
    ClipRecorder(const ClipRecorder &) = delete;
    ClipRecorder &operator=(const ClipRecorder &) = delete;

    void playClip(std::string_view name) override { append("clip ", name); }
    void startClip(std::string_view name) override
    {
        playClip(name);
        m_sounding = soundsOneLook;
    }
    bool awaitClip(std::chrono::milliseconds) override { return !std::exchange(m_sounding, false); }
    // A stop shows as "stop" and ends the clip that sounds.
    void stop() override
    {
        append("stop", "");
        m_sounding = false;
    }
    void playMissing(std::string_view requested) override { append("missing ", requested); }
    void playSilence(std::chrono::milliseconds length) override
    {
        if (recordPauses) {
            append("pause ", std::to_string(length.count() > 0 ? 1 : 0));
        }
    }

    // Waiting for the sound to play out shows as "drain".
    void drain() override { append("drain", ""); }
    // The tone's pitch shows as "tone HERTZ", rounded.
    void setTone(double hertz) override
    {
        append("tone ", std::to_string(static_cast<long>(hertz + 0.5)));
    }

    // The pause between two announcements shows as "pause 1" (its length is the clock's).
    bool recordPauses = false;
    // Each clip started sounds until it has been awaited once more, so a look falls within it.
    bool soundsOneLook = false;

    const Log &log() const { return m_log; }

    // Called as each clip plays, for things that happen meanwhile (input arriving, a stop).
    std::function<void(std::string_view)> onClip;

    // The clip names heard since the last call; empties the log.
    Clips take() { return clipNames(std::exchange(m_log, {})); }

private:
    void append(const char *kind, std::string_view name)
    {
        m_log.push_back(typename Log::value_type((kind + std::string(name)).c_str()));
        if (onClip) {
            onClip(name);
        }
    }

    Log m_own;
    Log &m_log;
    bool m_sounding = false;
};

} // namespace vexalo::testing

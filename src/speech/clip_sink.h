// The seam between deciding what to say and making it heard. The product plays clips through
// the sound card; tests and the replay tool record the names instead. Clips never overlap:
// playClip returns when the clip has been heard, and a clip started is awaited before the next.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo {

// Clip names are lower-case letters, digits and '_'; anything else (reply garbage, a path) is
// not a clip and never becomes part of a file name.
inline bool isValidClipName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

class ClipSink {
public:
    virtual ~ClipSink() = default;

    // Plays the clip of this name to its end. Only valid clip names reach this call.
    virtual void playClip(std::string_view name) = 0;

    // The same in two halves, so that the wait can be interrupted: startClip queues the clip,
    // awaitClip waits at most `limit` for it to be heard and says whether it has been (or
    // was stopped). A sink that does not sound plays the whole clip at the start.
    virtual void startClip(std::string_view name) { playClip(name); }
    virtual bool awaitClip(std::chrono::milliseconds limit)
    {
        (void)limit;
        return true;
    }

    // Something that is no clip name was asked for (an empty name, reply garbage): a short
    // beep or silence, never an error, and never a file path built from it.
    virtual void playMissing(std::string_view requested) = 0;

    // A stretch of silence between two announcements; a sink that only records names skips it.
    virtual void playSilence(std::chrono::milliseconds length) { (void)length; }

    // What has been played but not yet heard goes unheard within a few milliseconds, and a
    // clip being awaited counts as heard: the operator stopped the speech.
    virtual void stop() { }

    // Returns once everything played so far has been heard to its end. playClip may return
    // while the last few milliseconds of a clip still sound; what must follow the end of the
    // sound (the farewell's pause before the port closes) waits here first.
    virtual void drain() { }

    // A continuous tone at this pitch, heard whenever no clip sounds; 0 ends it. A sink that
    // only records names skips it.
    virtual void setTone(double hertz) { (void)hertz; }
};

// Records what would have been heard, in order. Invalid names are kept as requested, marked
// by a leading '?', which no clip name contains.
class RecordingClipSink : public ClipSink {
public:
    void playClip(std::string_view name) override { clips.emplace_back(name); }
    void playMissing(std::string_view requested) override
    {
        clips.push_back(std::string("?").append(requested));
    }

    std::vector<std::string> take() { return std::exchange(clips, {}); }

    std::vector<std::string> clips;
};

} // namespace vexalo

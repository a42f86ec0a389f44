// The seam between deciding what to say and making it heard. The product plays clips through
// the sound card; tests and the replay tool record the names instead. Playback is synchronous:
// playClip returns when the clip has been heard, so clips never overlap.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo {

class ClipSink {
public:
    virtual ~ClipSink() = default;

    // Plays the clip of this name to its end. Only valid clip names reach this call.
    virtual void playClip(std::string_view name) = 0;

    // Something that is no clip name was asked for (an empty name, reply garbage): a short
    // beep or silence, never an error, and never a file path built from it.
    virtual void playMissing(std::string_view requested) = 0;

    // A pause of this length, heard between what comes before and after it.
    virtual void playSilence(std::chrono::milliseconds length) { (void)length; }
};

// Records what would have been heard, in order. Invalid names are kept as requested, marked
// by a leading '?', which no clip name contains.
class RecordingClipSink : public ClipSink {
public:
    void playClip(std::string_view name) override { clips.emplace_back(name); }
    void playMissing(std::string_view requested) override
    {
        clips.push_back("?" + std::string(requested));
    }

    std::vector<std::string> take() { return std::exchange(clips, {}); }

    std::vector<std::string> clips;
};

} // namespace vexalo

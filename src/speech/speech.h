// Everything the program says goes through this unit: PlayClip, which honours the mute switch
// speech_on and keeps reply garbage out of file names, and the two number routines that turn
// frequency and offset digits into clip sequences. Relies on a ClipSink for the sound itself.
#pragma once

#include "clip_sink.h"

#include <string_view>

namespace vexalo {

struct Q7Globals;

// Clip names are lower-case letters, digits and '_'; anything else is not a clip.
bool isValidClipName(std::string_view name);

class Speech {
public:
    Speech(Q7Globals &globals, ClipSink &sink) : m_globals(globals), m_sink(sink) { }

    // Plays one clip to its end; silent while speech_on is false.
    void PlayClip(std::string_view name);

    // A ten-digit frequency field (10 GHz .. 10 Hz) in kilohertz with two decimals:
    // "0001402500" says "14", "0", "2", "5", "pt", "0", "0".
    void SayNumber(std::string_view field);

    // A signed four-digit offset in hertz: "+1250" says "plus", "1", "pt", "2", "5", "0";
    // "+0150" says "plus", "1", "5", "0", "hz".
    void SayOffset(std::string_view field);

private:
    Q7Globals &m_globals;
    ClipSink &m_sink;
};

} // namespace vexalo

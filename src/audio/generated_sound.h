// The cues as sound: short tones made at the device's rate instead of read from the voice
// folder. Each tone rises and falls with a raised cosine, so that none clicks, and stays well
// below the loudness of the words.
#pragma once

#include "clip_decoder.h"

#include <optional>
#include <string_view>

namespace vexalo {

// The frames of the cue of this name at `rate`, or nothing when the name is no cue.
std::optional<Frames> generatedSound(std::string_view name, int rate);

} // namespace vexalo

// The mode digit to clip table, shared by the status report ("IF") and the mode reply ("MD") so
// that both always name a mode the same way. Relies on the speech unit to play the clip.
#pragma once

#include <string_view>

namespace vexalo {

class Speech;

namespace interpreter {

// Plays the clip of a mode digit; an unlisted digit, or reply garbage, plays nothing.
void sayMode(Speech &speech, std::string_view digit);

} // namespace interpreter
} // namespace vexalo

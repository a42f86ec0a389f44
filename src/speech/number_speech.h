// The two number routines: a frequency field or a RIT/XIT offset field taken from a reply,
// turned into the clips that say it. They work on the characters as text, without arithmetic,
// and check nothing: a short field gives empty names, which the announcer plays as missing.
#pragma once

#include "announcement.h"

#include <string_view>

namespace vexalo {

// A ten-digit frequency field (10 GHz .. 10 Hz) in kilohertz with two decimals:
// "0001402500" says "14", "0", "2", "5", "pt", "0", "0".
Clips sayNumber(std::string_view field);

// The readout of a frequency field about a VFO's reading, followed by the VFO's letter when one
// is given, with its megahertz clips counted.
Part sayFrequency(Reading reading, std::string_view field, std::string_view letter = {});

// A sign and four digits of hertz: "+1250" says "plus", "1", "pt", "2", "5", "0" (kilohertz,
// no unit); "+0150" says "plus", "1", "5", "0", "hz".
Clips sayOffset(std::string_view field);

} // namespace vexalo

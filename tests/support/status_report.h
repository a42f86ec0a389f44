// The one builder of status reports ("IF" replies) for the tests: each field the program reads
// is named and defaults to 14.025 MHz, USB, VFO A, RIT, XIT and split off, no band change. The
// positions nobody reads are filled as the radio under test fills them.
#pragma once

#include <string>

namespace vexalo::testing {

struct Status {
    std::string freq = "00014025000"; // positions 3-13, hertz
    std::string offset = "+0000"; // 19-23
    char rit = '0'; // 24
    char xit = '0'; // 25
    char mode = '2'; // 30
    char vfo = '0'; // 31
    char split = '0'; // 33
    char band = '0'; // 34
    char filler = ' '; // 14-18
    std::string tail = "01 ;"; // 35 to the end
};

inline std::string statusReport(const Status &s = {})
{
    return "IF" + s.freq + std::string(5, s.filler) + s.offset + s.rit + s.xit + "0000" + s.mode
        + s.vfo + "0" + s.split + s.band + s.tail;
}

} // namespace vexalo::testing

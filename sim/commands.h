// Answers what arrives on the line: cuts the received bytes into commands at ';', answers
// queries from the radio's state and turns setting commands into changes of it. Letter case
// does not matter; unknown or malformed commands are answered "?;".
#pragma once

#include "radio.h"

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace q7sim {

struct Exchange {
    std::string command; // as received, ';' included
    std::vector<std::string> replies;
};

class CommandHandler {
public:
    struct Options {
        // Answer "q7;" only when it is not the second half of a "q72;q7;" write.
        bool identLate = false;
    };

    CommandHandler(Radio &radio, Options options) : m_radio(radio), m_options(options) { }

    // Everything one read brought. A command split over reads is answered when its ';' comes.
    std::vector<Exchange> receive(std::string_view bytes);

    // True once automatic reports have been switched on over the line.
    bool autoInfoRequested() const { return m_autoInfoRequested; }

private:
    std::vector<std::string> answer(std::string_view command, bool followsQ72);

    Radio &m_radio;
    Options m_options;
    std::string m_pending;
    bool m_autoInfoRequested = false;
};

// What --garbage sends instead of a reply: as long as the reply and still ending in ';', so
// framing goes on, but starting with a byte no reply starts with and holding no other ';'.
std::string garble(std::string_view reply, std::mt19937 &random);

} // namespace q7sim

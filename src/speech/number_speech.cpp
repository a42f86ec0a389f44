#include "number_speech.h"

#include "reply.h"

namespace vexalo {

Clips sayNumber(std::string_view text)
{
    const Reply f(text);
    Clips clips;
    if (isNonZeroDigit(f.at(3))) {
        clips.push_back(f.at(3));
    }
    int start = 5;
    if (isNonZeroDigit(f.at(4))) {
        clips.push_back(f.field(4, 2));
        start = 6;
    }
    for (int pos = start; pos <= 8; ++pos) {
        clips.push_back(f.at(pos));
    }
    clips.push_back("pt");
    clips.push_back(f.at(9));
    clips.push_back(f.at(10));
    return clips;
}

Part sayFrequency(Reading reading, std::string_view field, std::string_view letter)
{
    // Below the megahertz: three digits of kilohertz, the mark and two decimals.
    constexpr std::size_t kBelowMegahertz = 6;
    Part part { reading, sayNumber(field) };
    part.megahertz = part.clips.size() - kBelowMegahertz;
    if (!letter.empty()) {
        part.clips.emplace_back(letter);
    }
    return part;
}

Clips sayOffset(std::string_view text)
{
    const Reply o(text);
    Clips clips { o.at(1) == "+" ? "plus" : "minus" };
    if (isNonZeroDigit(o.at(2))) {
        clips.push_back(o.at(2));
        clips.push_back("pt");
        for (int pos = 3; pos <= 5; ++pos) {
            clips.push_back(o.at(pos));
        }
        return clips;
    }
    int start = 5;
    if (isNonZeroDigit(o.at(3))) {
        start = 3;
    } else if (isNonZeroDigit(o.at(4))) {
        start = 4;
    }
    for (int pos = start; pos <= 5; ++pos) {
        clips.push_back(o.at(pos));
    }
    clips.push_back("hz");
    return clips;
}

} // namespace vexalo

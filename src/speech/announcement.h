// What the program has to say at one moment, as a value: the clips of one reply's, one
// command's or the program's own announcement, in parts that each name the reading they are
// about. The announcer relies on the reading to tell which parts a newer announcement makes
// stale; the log, the transcript and repeat rely on the clips.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

using Clips = std::vector<std::string>;

// The readings of the radio an announcement part can be about. `None` is the program's own
// words (greeting, errors, report-mode names ...), which are about no reading.
enum class Reading {
    None,
    FrequencyA,
    FrequencyB,
    Band,
    Mode,
    Rit,
    Xit,
    Split,
    RxVfo,
    Filter,
    Agc,
    NoiseBlanker,
    Preamp,
    Attenuator,
    Power,
    Keyer,
    SMeter,
    Identification,
};

// The readings the operator may choose to hear, or not, in the automatic modes: the name in
// --announce, the caption in the menu, and the one or two readings it stands for.
struct AnnouncedReading {
    std::string_view name;
    std::string_view caption;
    Reading reading;
    Reading also;
};

inline constexpr AnnouncedReading kAnnouncedReadings[] = {
    { "frequency", "Frequency", Reading::FrequencyA, Reading::FrequencyB },
    { "mode", "Mode", Reading::Mode, Reading::Mode },
    { "filter", "Filter", Reading::Filter, Reading::Filter },
    { "agc", "AGC", Reading::Agc, Reading::Agc },
    { "noise-blanker", "Noise blanker", Reading::NoiseBlanker, Reading::NoiseBlanker },
    { "preamp", "Preamp", Reading::Preamp, Reading::Preamp },
    { "attenuator", "Attenuator", Reading::Attenuator, Reading::Attenuator },
    { "power", "Power", Reading::Power, Reading::Power },
    { "keyer", "Keyer speed", Reading::Keyer, Reading::Keyer },
    { "rit-xit", "RIT/XIT", Reading::Rit, Reading::Xit },
    { "split", "Split", Reading::Split, Reading::Split },
    { "vfo", "VFO", Reading::RxVfo, Reading::RxVfo },
};

// Where an announcement comes from, which decides whether it may be passed over.
enum class Origin {
    Report, // the radio's own report, not asked for: a newer value of a reading makes it stale
    Answer, // the answer to a query: always said in full
    BandChange, // the band after a band change: always said in full
    BandEdge, // a band's edge crossed: said at once, in full, ahead of the reply's own words
    Program, // the program's own words (greeting, handshake, mode names, port, errors, farewell)
};

// The step of the dial a frequency report has crossed since the frequency before it; across
// both it counts as the larger: 14 019.99 to 14 020.00 crosses ten kilohertz.
enum class Crossing { None, Kilohertz, TenKilohertz };

struct Part {
    Reading reading = Reading::None;
    Clips clips;
    // Of a frequency readout: how many of the first clips name the megahertz, which a short
    // readout leaves out when they were just heard; 0 for anything else.
    std::size_t megahertz = 0;
    // Of an unasked frequency report: what it crossed, which a tuning tick makes heard while
    // the readout waits; None for anything else.
    Crossing crossed = Crossing::None;

    // Alike when they say the same about the same reading; how they may be shortened aside.
    friend bool operator==(const Part &a, const Part &b)
    {
        return a.reading == b.reading && a.clips == b.clips;
    }
};

struct Announcement {
    Origin origin = Origin::Program;
    std::vector<Part> parts;

    // The program's own words, as one part about no reading.
    static Announcement program(Clips clips);

    // Appends clips about a reading: to the last part when it is about the same reading,
    // otherwise as a new part.
    void add(Reading reading, Clips clips);
    void add(Reading reading, std::string_view clip) { add(reading, Clips { std::string(clip) }); }
    // Appends a whole part as a part of its own.
    void add(Part part);

    // Every clip in order.
    Clips clips() const;
    bool empty() const;
    bool mayBePassedOver() const { return origin == Origin::Report; }
    // The first part about this reading that has clips, or null.
    const Part *about(Reading reading) const;

    friend bool operator==(const Announcement &, const Announcement &) = default;
};

// The name of a reading, for the log.
std::string_view nameOf(Reading reading);

} // namespace vexalo

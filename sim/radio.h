// The radio's state and the exact text of every reply it sends, including the reports it
// sends by itself while automatic information is on. Knows nothing of the line or of time:
// a change returns the reports that follow it, and the caller decides when they go out.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace q7sim {

enum class PowerForm { Short, Long };

struct RadioState {
    long long freq[2] = { 14025000, 14030000 }; // VFO A and B, Hz
    int rxVfo = 0; // 0 = A, 1 = B
    int txVfo = 0;
    int mode = 3; // the radio's mode digit
    int filter = 2;
    int bandwidth = 500; // Hz
    int agc = 2; // 2 = fast, 4 = slow
    int noiseBlanker = 0; // 0 off, 1, 2
    int nbLevel = 0; // 0 high, 1 low
    bool preamp = true;
    bool attenuator = false;
    int power = 50; // tenths of a watt
    int keyer = 20; // words a minute
    bool rit = false;
    bool xit = false;
    int offset = 0; // RIT/XIT offset, Hz
    int sMeter = 5;
    int lock = 0;
    int autoInfo = 0;
    int identLevel = 0;
};

enum class Report {
    FA,
    FB,
    FR,
    FT,
    FW,
    GT,
    MD,
    NB,
    PA,
    RA,
    PC,
    KS,
    BG,
    IF,
    BandIF,
    ID,
    Q7,
    LK,
    AI
};

// One operator action at the radio's front panel, or one setting command from the line.
struct Change {
    enum class Kind {
        Tune,
        Band,
        Mode,
        Filter,
        Bandwidth,
        Agc,
        NoiseBlanker,
        NbLevel,
        Preamp,
        Attenuator,
        Power,
        Keyer,
        Rit,
        Xit,
        Offset,
        Split,
        RxVfo,
        TxVfo,
        SMeter,
    };
    Kind kind = Kind::Tune;
    long long value = 0;
    int vfo = 0; // Tune: the VFO turned
    bool relative = false; // Tune: value is a step from the current frequency
    // Filter: its bandwidth; NoiseBlanker: its level. Set together, reported in one reply.
    std::optional<long long> paired;
};

constexpr long long maxFrequency = 99'999'999'999; // what eleven digits can hold
// What the receiver tunes when told a frequency ("FA..."); anything else is answered "?;". The
// knob and a band change are not held to it.
constexpr long long lowestTunable = 30'000;
constexpr long long highestTunable = 56'000'000;

class Radio {
public:
    explicit Radio(PowerForm form) : m_form(form) { }

    PowerForm powerForm() const { return m_form; }
    RadioState &state() { return m_state; }
    const RadioState &state() const { return m_state; }

    std::string reply(Report report) const;

    // Applies the change and returns the texts sent about it: nothing while automatic reports
    // are off or when nothing actually changed. A band change is always reported, as the
    // band key was pressed even when it lands on the same frequency.
    std::vector<std::string> apply(const Change &change);

private:
    std::vector<Report> applyToState(const Change &change);

    RadioState m_state;
    PowerForm m_form;
};

} // namespace q7sim

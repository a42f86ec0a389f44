// The operator's changes to the radio: a step up or down, a typed frequency, a mode or a receiver
// setting, and taking the last one back. Each goes out as the setting followed at once by its
// query, so that what is heard is the radio's answer as the interpreter says an asked reply; the
// radio's "?;" is heard as "not accepted" and nothing is recorded, no answer as "q7_error". At
// most one setting is on the line at a time and the newest target wins. Relies on the link's
// writes and queries and on seeing every reply the interpreter handles.
#pragma once

#include "announcement.h"
#include "exchange.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>

namespace vexalo {

class Announcer;
class Interpreter;
class Link;
struct HandledReply;

class OperatorSettings : public QObject {
    Q_OBJECT

public:
    // Keys held down repeat about 30 times a second; once they have been still this long the
    // radio's frequency is asked and said. A step after the keys have rested kRest is read back
    // at once and said as soon as the radio answers, unless another step has come meanwhile.
    static constexpr std::chrono::milliseconds kStill { 250 };
    static constexpr std::chrono::milliseconds kRest { 1000 };
    static constexpr std::size_t kUndoDepth = 20;

    // One change: the setting, the query that reads it back, and what the reply before it
    // says when the radio refuses (the program's words after "not accepted").
    struct Change {
        std::string setting;
        std::string query;
        Clips refused;
    };

    OperatorSettings(Link &link, Announcer &announcer, const Interpreter &interpreter,
                     std::filesystem::path stepFile);

    // Step tuning of the receiving VFO, and the step size, kept in the step file.
    void stepUp() { step(+1); }
    void stepDown() { step(-1); }
    void largerStep();
    void smallerStep();
    std::size_t stepIndex() const { return m_step; }

    // The receiving VFO set to this frequency.
    void tuneTo(long long hertz);
    // The receiving VFO's frequency as the radio last said it; none before it has.
    std::optional<long long> frequency() const;

    // The settings of the radio menu, each set in the layout of its reply.
    enum class Knob {
        Mode,
        RxVfo,
        Split,
        Agc,
        Preamp,
        Attenuator,
        NoiseBlanker,
        Bandwidth,
        Power,
        Keyer
    };
    // Sets the knob (a mode digit, 0/1 for VFO A/B and the switches, an AGC or blanker digit,
    // hertz of bandwidth, whole watts, words a minute); undone to what the radio last said.
    void set(Knob knob, long long value);
    // The other VFO receives.
    void swapReceivingVfo() { set(Knob::RxVfo, receivingVfo() == 1 ? 0 : 1); }

    // What an entry gave: nothing when it was not a number the knob takes, which is refused
    // aloud before anything is sent.
    void setFromEntry(Knob knob, std::optional<int> value);

    // Every reading asked afresh and said once, in a fixed order, each as an answer; what is
    // stopped stops it.
    void readEverything();
    void stopReading() { m_stopReading = true; }

    // A setting and its read-back; the undo entry is what sets the reading back.
    void apply(Change change, std::optional<Change> undo);
    // The reading changed last set back, confirmed the same way.
    void undo();
    std::size_t undoDepth() const { return m_undo.size(); }

    // A setting or read-back is on its way.
    bool busy() const;

signals:
    // A reply has been handled: what the radio last said may have changed.
    void radioSaid();

private:
    void step(int direction);
    void stepFromRest();
    void sendTarget();
    bool tunesLive() const;
    void settle();
    struct InFlight;
    void queue(InFlight unit);
    bool start(InFlight unit);
    void startWaiting();
    void seen(const HandledReply &handled);
    void finish();
    void timedOut();
    int receivingVfo() const;
    Change frequencyChange(long long hertz) const;
    Change knobChange(Knob knob, long long value) const;
    // The knob's value as the radio last said it, in the unit its setting takes.
    std::optional<long long> current(Knob knob) const;

    Link &m_link;
    Announcer &m_announcer;
    const Interpreter &m_interpreter;
    std::filesystem::path m_stepFile;
    std::size_t m_step;

    // Step tuning: the frequency aimed at, counted from the radio's last word (as the
    // interpreter recorded it) plus every press, where the burst began (for undo), and the last
    // target written.
    std::optional<long long> m_target;
    std::optional<long long> m_burstFrom;
    std::optional<long long> m_sent;
    long long m_pendingSteps = 0; // pressed before the frequency was known
    bool m_pressedSinceReadBack = false;
    QTimer m_pace; // the last setting has left the line
    QTimer m_still; // the keys have been still for kStill
    QTimer m_rest; // running until the keys have rested kRest

    // The unit on the line: its change, what undoes it, whether the radio refused the setting,
    // whether it reads back a step (a newer step hushes its answer) and the read-back's ticket;
    // and the change waiting behind it (the newest wins).
    struct InFlight {
        Change change;
        std::optional<Change> undo;
        bool refused = false;
        bool stepping = false;
        Exchange::Ticket readBack = 0;
    };
    std::optional<InFlight> m_inFlight;
    std::optional<InFlight> m_waiting;
    bool m_settingUnanswered = false; // a setting was written and the radio may yet refuse it
    QTimer m_patience;
    std::deque<Change> m_undo; // newest last
    bool m_reading = false;
    bool m_stopReading = false;
};

} // namespace vexalo

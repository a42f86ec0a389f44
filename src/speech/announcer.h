// The one announcer: everything the program says passes through it, one announcement after
// another in arrival order. It passes over the parts of unasked reports that a newer
// announcement makes stale, says the rest clip by clip through the ClipSink, or part by part
// through a speech service when the operator chose one, with a pause between announcements,
// and has the link take its step between clips (or while a part is spoken) through the one
// BetweenClips seam; while a clip sounds it looks only for the operator's request to stop.
// While the knob turns it holds the frequency reports back until they stop, and it shortens a
// readout whose megahertz were just heard, or ticks as the dial crosses a kilohertz, when the
// operator asks. It owns muting, the farewell and saying the last announcement again; the
// lifecycle tells it when speaking has to stop.
#pragma once

#include "announcement.h"
#include "clip_sink.h"
#include "clip_words.h"
#include "speech_service.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace vexalo {

class Lifecycle;

// What happens between two clips, while no event is delivered: the link takes what the radio
// has said since the last look (whose announcements are enqueued here) and serves the programs
// that share the radio.
class BetweenClips {
public:
    virtual ~BetweenClips() = default;
    virtual void betweenClips() = 0;
};

// Looked at every few milliseconds while a clip sounds (or a part is spoken), so that the
// operator can stop the speech within the clip: the only thing it may do is call silence().
// Nothing else is handled, and the line is not read, until the clip has been heard.
class WhileClipSounds {
public:
    virtual ~WhileClipSounds() = default;
    virtual void look() = 0;
};

// Told of every announcement once it is over, with what was heard of it: the parts passed over
// are missing, and a name that is no clip is kept as asked, marked by a leading '?'.
class AnnouncementListener {
public:
    virtual ~AnnouncementListener() = default;
    virtual void announced(const Announcement &heard) = 0;
};

// How long a spoken text may take before the speech service counts as no longer answering:
// the base and half a second a word, beyond the slowest rate (about 80 words a minute), so only
// a service that hangs meets it.
struct ServiceBounds {
    std::chrono::milliseconds base { 3000 };
    std::chrono::milliseconds perWord { 500 };
    std::chrono::milliseconds poll { 20 }; // how often arrivals are looked for meanwhile
};

class Announcer {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Between two announcements, so that they do not run together.
    static constexpr std::chrono::milliseconds kPause { 200 };
    // How long the megahertz heard last count as known to the operator.
    static constexpr std::chrono::seconds kShortReadoutMemory { 10 };
    // How often a sounding clip is looked through; the sound stops within this of a stop.
    static constexpr std::chrono::milliseconds kLookEvery { 2 };
    // Tuning ticks come at most this often (20 a second); a faster knob leaves some out.
    static constexpr std::chrono::milliseconds kTickGap { 50 };

    explicit Announcer(ClipSink &sink, const Lifecycle *lifecycle = nullptr)
        : m_sink(sink), m_lifecycle(lifecycle)
    {
    }

    void setBetweenClips(BetweenClips *step) { m_betweenClips = step; }
    void setListener(AnnouncementListener *listener) { m_listener = listener; }
    // The clock of settling and of short readouts; the steady clock unless a test sets one.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // While settling, frequency reports (unasked readouts) are held while they keep coming,
    // the newest said once none has come for the settle time. Off, each is said as it comes and
    // one being held is dropped.
    void setSettle(std::chrono::milliseconds settle) { m_settle = settle; }
    std::chrono::milliseconds settle() const { return m_settle; }
    void setSettling(bool on);
    bool settling() const { return m_settling; }
    // How long until the report being held is due (asking speak() then says it), or nothing
    // when none is held: whoever calls speak() sets a timer by it.
    std::optional<std::chrono::milliseconds> settleLeft() const;
    // A frequency report says only what lies below the megahertz when the megahertz and the
    // VFO are those of the frequency heard last, within kShortReadoutMemory.
    void setShortReadouts(bool on) { m_shortReadouts = on; }
    bool shortReadouts() const { return m_shortReadouts; }
    // A frequency report that crosses a kilohertz is marked by a tick (a higher one for ten
    // kilohertz) as it comes, when nothing is being said and the last tick is kTickGap past.
    // The tick is no announcement: it is not told to the listener nor said again.
    void setTicks(bool on) { m_ticks = on; }
    bool ticks() const { return m_ticks; }
    // Whether the radio's unasked reports about a reading are said; answers always are.
    void setAnnounced(const AnnouncedReading &reading, bool on);
    bool announced(const AnnouncedReading &reading) const;
    void setWhileClipSounds(WhileClipSounds *watch) { m_whileSounding = watch; }

    // Says everything through the service, in the words of `words`, until it fails; then the
    // clips take over for good and `lost` is told why, once.
    void useService(SpeechService *service, ClipWords words,
                    std::function<void(const std::string &)> lost, ServiceBounds bounds = {});
    bool usingService() const { return m_service != nullptr; }

    // Queues an announcement behind those waiting. Nothing is queued while speech is off or
    // the program is stopping, nor an announcement without a clip.
    void enqueue(Announcement announcement);

    // Says what is waiting, a held report that has come due and whatever arrives meanwhile,
    // then returns. A part of an unasked
    // report is not said when a later announcement has something about the same reading; if
    // it is being said, it stops at the next clip boundary. Called again from within (by an
    // arrival), it returns at once: the running call says the rest.
    void speak();
    // A call to speak() is running.
    bool speaking() const { return m_speaking; }

    // Enqueue, then speak: returns once it has been said.
    void say(Announcement announcement);
    void say(Clips programWords) { say(Announcement::program(std::move(programWords))); }

    // Stops speaking: what is being said ends at once (the sound itself, through the sink, or
    // the service's speech of this program alone) and what waits is dropped. Later
    // announcements are said as usual. Called from WhileClipSounds::look, it ends the clip
    // that sounds; the heard announcement ends with that clip.
    void silence();

    // The S-meter tone's pitch (0: none), handed to the sink, which pauses it under the clips;
    // held silent while the speech service speaks, which the sink does not hear.
    void setTone(double hertz);

    // The last announcement heard, said again as the program's own words.
    void repeatLast();

    // Heard even while muted and during the shutdown, as the operator's confirmation that the
    // program has ended; returns once it has been heard to its end.
    void farewell(std::string_view clip);

    // The mute switch: off at program start until the start-up turns it on.
    bool speechOn() const { return m_speechOn; }
    void unmute() { m_speechOn = true; }

    // Speech is off while the guard lives and goes back to what it was afterwards, so that no
    // early return can leave the program mute.
    class [[nodiscard]] Mute {
    public:
        explicit Mute(Announcer &announcer)
            : m_announcer(announcer), m_wasOn(std::exchange(announcer.m_speechOn, false))
        {
        }
        ~Mute() { m_announcer.m_speechOn = m_wasOn; }
        Mute(const Mute &) = delete;
        Mute &operator=(const Mute &) = delete;

    private:
        Announcer &m_announcer;
        bool m_wasOn;
    };
    Mute mute() { return Mute(*this); }

    // The time spent saying things so far. While a clip plays nobody looks at the line, so a
    // reply's age is counted without it.
    std::chrono::nanoseconds speakingTime() const;

private:
    enum class Said { Whole, Cut, Stopped, Failed };

    struct HeardFrequency {
        Reading reading = Reading::None;
        Clips megahertz;
        std::chrono::steady_clock::time_point when;
    };

    bool stopping() const;
    // Takes the frequency parts of a report aside while settling is on, the newest held.
    void holdTuning(Announcement &announcement);
    void releaseSettled();
    void noteCrossing(const Announcement &announcement);
    void tickIfDue();
    void shortenFront();
    void noteFrequency(const Part &part);
    bool passedOver(std::size_t part) const;
    void sayFront();
    Said sayInClips(std::size_t part, Announcement &heard);
    Said sayAloud(std::size_t part, Announcement &heard);
    // Says a text through the service; `cut` is asked while it is spoken, and a stop counts
    // only when `stoppable`.
    Said sayThroughService(const std::string &text, bool stoppable,
                           const std::function<bool()> &cut);
    // The step between clips, unless the program is stopping: nothing more is handed on then.
    void stepBetweenClips();
    void loseService();
    // The tone is silent while it lives.
    class ServiceSpeaking {
    public:
        explicit ServiceSpeaking(Announcer &announcer);
        ~ServiceSpeaking();
        ServiceSpeaking(const ServiceSpeaking &) = delete;
        ServiceSpeaking &operator=(const ServiceSpeaking &) = delete;

    private:
        Announcer &m_announcer;
    };
    void pauseIfDue(bool throughSink);
    // Plays one clip after the pause that may be due; returns the name as heard. A stoppable
    // clip is looked through while it sounds and ends early when silenced.
    std::string play(std::string_view clip, bool stoppable);
    void report(const Announcement &heard);

    ClipSink &m_sink;
    const Lifecycle *m_lifecycle;
    SpeechService *m_service = nullptr;
    ClipWords m_words;
    std::function<void(const std::string &)> m_serviceLost;
    ServiceBounds m_bounds;
    BetweenClips *m_betweenClips = nullptr;
    AnnouncementListener *m_listener = nullptr;
    WhileClipSounds *m_whileSounding = nullptr;
    std::deque<Announcement> m_queue; // the front is the one being said
    Announcement m_last;
    Clock m_clock = &std::chrono::steady_clock::now;
    std::chrono::milliseconds m_settle { 0 };
    bool m_settling = false;
    std::optional<Announcement> m_held; // the newest frequency report, while tuning goes on
    std::chrono::steady_clock::time_point m_heldSince;
    bool m_shortReadouts = false;
    bool m_ticks = false;
    Crossing m_tickDue = Crossing::None; // crossed since speak() last ran
    std::optional<std::chrono::steady_clock::time_point> m_lastTick;
    std::set<Reading> m_unannounced; // left out of the radio's unasked reports
    std::optional<HeardFrequency> m_lastFrequency;
    bool m_speechOn = false;
    bool m_speaking = false;
    bool m_pauseDue = false;
    bool m_silenced = false; // the operator stopped what is being said
    double m_tone = 0;
    bool m_serviceSpeaking = false;
    std::chrono::steady_clock::time_point m_lastClipEnd;
    std::chrono::nanoseconds m_speakingTime { 0 }; // of the calls to speak that have ended
    std::chrono::steady_clock::time_point m_speakingSince;
};

} // namespace vexalo

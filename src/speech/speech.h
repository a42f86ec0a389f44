// Everything the program says goes through this unit: PlayClip, which honours the mute switch
// speech_on and keeps reply garbage out of file names, the two number routines that turn
// frequency and offset digits into clip sequences, and the grouping of clips into
// announcements. It owns muting and knows, through the lifecycle, when speaking has to stop.
// Relies on a ClipSink for the sound itself.
#pragma once

#include "clip_sink.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

struct Q7Globals;
class Lifecycle;

// Clip names are lower-case letters, digits and '_'; anything else is not a clip.
bool isValidClipName(std::string_view name);

// Told of every announcement once it is over, with the clips that were heard in it (names as
// asked for; a name that is no clip is kept as asked, marked by a leading '?').
class AnnouncementListener {
public:
    virtual ~AnnouncementListener() = default;
    virtual void announced(const std::vector<std::string> &clips) = 0;
};

class Speech {
public:
    // Between two announcements, so that they do not run together.
    static constexpr std::chrono::milliseconds kPause { 200 };

    Speech(Q7Globals &globals, ClipSink &sink, const Lifecycle *lifecycle = nullptr)
        : m_globals(globals), m_sink(sink), m_lifecycle(lifecycle)
    {
    }

    // Plays one clip to its end; silent while speech_on is false, once the program is
    // stopping, and for the rest of an announcement that has been cut short.
    void PlayClip(std::string_view name);

    // A ten-digit frequency field (10 GHz .. 10 Hz) in kilohertz with two decimals:
    // "0001402500" says "14", "0", "2", "5", "pt", "0", "0".
    void SayNumber(std::string_view field);

    // A signed four-digit offset in hertz: "+1250" says "plus", "1", "pt", "2", "5", "0";
    // "+0150" says "plus", "1", "5", "0", "hz".
    void SayOffset(std::string_view field);

    // Says the clips of an earlier announcement, as Speech reported them, again as one
    // announcement of their own; the rules of PlayClip hold for each.
    void SayAgain(const std::vector<std::string> &heard);

    // The farewell is heard even while muted and during the shutdown: it is the operator's
    // confirmation that the program has ended.
    void PlayFarewell(std::string_view name);

    // speech_on is false while the guard lives and goes back to what it was afterwards, so
    // that no early return can leave the program mute.
    class [[nodiscard]] Mute {
    public:
        explicit Mute(Speech &speech);
        ~Mute();
        Mute(const Mute &) = delete;
        Mute &operator=(const Mute &) = delete;

    private:
        Speech &m_speech;
        bool m_wasOn;
    };
    Mute mute() { return Mute(*this); }
    void unmute();

    // The clips said for one operator command or one reply form one announcement. Opening or
    // closing one ends the clips heard so far as an announcement of their own, so a reply
    // handled inside a command's wait is an announcement apart from the command's own words.
    // `superseded` is asked at every clip boundary: once it holds, the rest is not said.
    class [[nodiscard]] Announcement {
    public:
        Announcement(Speech &speech, std::function<bool()> superseded);
        ~Announcement();
        Announcement(const Announcement &) = delete;
        Announcement &operator=(const Announcement &) = delete;

    private:
        Speech &m_speech;
        Announcement *m_outer;
        std::function<bool()> m_superseded;
        bool m_cut = false;
        friend class Speech;
    };
    Announcement announce(std::function<bool()> superseded = {})
    {
        return Announcement(*this, std::move(superseded));
    }

    void setListener(AnnouncementListener *listener) { m_listener = listener; }

private:
    bool mayContinue();
    void endAnnouncement();
    void play(std::string_view name);

    Q7Globals &m_globals;
    ClipSink &m_sink;
    const Lifecycle *m_lifecycle;
    AnnouncementListener *m_listener = nullptr;
    Announcement *m_current = nullptr;
    std::vector<std::string> m_heard; // in the announcement now being said
    bool m_pauseDue = false;
    std::chrono::steady_clock::time_point m_lastClipEnd;
};

} // namespace vexalo

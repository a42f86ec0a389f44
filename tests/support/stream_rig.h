// The program's reply road with nothing around it, for runs over many reply streams: the
// exchange, the interpreter and the announcer on a clip recorder, as the link drives them.
// `rulesBroken` runs one stream both ways, each reply on its own and cut into arrivals that come
// between clips, and names the first promise of what is heard that the second run breaks.
#pragma once

#include "clip_recorder.h"
#include "reply_framer.h"
#include "reply_path.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vexalo::testing {

class StreamRig : public LockPollControl,
                  public AnnouncementListener,
                  public ReplyConditions,
                  public BetweenClips {
public:
    StreamRig(bool fullAuto, bool lock) : m_fullAuto(fullAuto), m_lock(lock)
    {
        m_announcer.setBetweenClips(this);
        m_path.setObserver(
            [this](const HandledReply &handled) { said.push_back(handled.announcement); });
        m_announcer.setListener(this);
        m_announcer.unmute();
        m_interpreter.endBandChangeBurst();
    }

    void ask(const std::string &command) { m_exchange.sent(command); }

    // The first chunk arrives; each later one at a clip boundary when `now` says so, or once
    // everything said so far is over.
    void play(const std::vector<std::string> &chunks, const std::function<bool()> &now)
    {
        m_chunks = &chunks;
        m_now = &now;
        m_next = 0;
        while (m_next < chunks.size()) {
            m_path.receive(chunks[m_next++]);
            m_announcer.speak();
        }
        m_chunks = nullptr;
    }

    void betweenClips() override
    {
        if (m_chunks != nullptr && m_next < m_chunks->size() && (*m_now)()) {
            m_path.receive((*m_chunks)[m_next++]);
        }
    }
    bool fullAuto() const override { return m_fullAuto; }
    bool lockChecked() const override { return m_lock; }
    bool reportsToVexalo() const override { return m_fullAuto; }
    bool reportsForClientsOnly() const override { return false; }
    void announced(const Announcement &a) override { heard.push_back(a); }
    void pauseLockPoll() override { polling = false; }
    void resumeLockPoll() override { polling = true; }

    // Speech off while the guard lives.
    Announcer::Mute muteForRun() { return m_announcer.mute(); }

    const RadioState &state() const { return m_interpreter.state(); }
    const std::string &rx_buffer() const { return m_path.rx_buffer(); }

    std::vector<Announcement> said; // one a reply, in order, before anything is passed over
    std::vector<Announcement> heard;
    ClipRecorder<> sink;
    bool polling = false;

private:
    bool m_fullAuto;
    bool m_lock;
    const std::vector<std::string> *m_chunks = nullptr;
    const std::function<bool()> *m_now = nullptr;
    std::size_t m_next = 0;
    Exchange m_exchange { [] { return Exchange::Clock::time_point {}; } };
    Interpreter m_interpreter;
    Announcer m_announcer { sink };
    ReplyPath m_path { m_exchange, m_interpreter, m_announcer, *this, *this };
};

struct StreamCase {
    bool fullAuto = false;
    bool lock = false;
    std::vector<std::string> queries; // sent before anything arrives
    std::vector<std::string> chunks; // as they come off the line
    std::function<bool()> arrivesNow; // at a clip boundary: does the next chunk come now?
};

inline bool isSubsequence(const Clips &part, const Clips &whole)
{
    auto at = whole.begin();
    for (const std::string &clip : part) {
        at = std::find(at, whole.end(), clip);
        if (at == whole.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

inline std::string rulesBroken(const StreamCase &c)
{
    StreamRig oneByOne(c.fullAuto, c.lock);
    StreamRig together(c.fullAuto, c.lock);
    for (const std::string &query : c.queries) {
        oneByOne.ask(query);
        together.ask(query);
    }
    ReplyFramer framer;
    std::string all;
    for (const std::string &chunk : c.chunks) {
        all += chunk;
    }
    Clips inTurn;
    for (const std::string &reply : framer.receive(all)) {
        oneByOne.play({ reply }, [] { return false; });
        const Clips clips = oneByOne.sink.take();
        inTurn.insert(inTurn.end(), clips.begin(), clips.end());
    }
    together.play(c.chunks, c.arrivesNow);

    if (together.state().describe() != oneByOne.state().describe()) {
        return "the recorded state is not what handling each reply in turn records";
    }
    if (together.said != oneByOne.said) {
        return "a reply's announcement depends on how the replies arrived";
    }
    if (!isSubsequence(together.sink.take(), inTurn)) {
        return "something was heard out of the radio's order";
    }
    std::vector<Announcement> answers;
    std::map<Reading, Clips> newest;
    for (const Announcement &a : oneByOne.said) {
        if (a.origin == Origin::Answer && !a.empty()) {
            answers.push_back(a);
        }
        for (const Part &part : a.parts) {
            if (!part.clips.empty()) {
                newest[part.reading] = part.clips;
            }
        }
    }
    // Heard, a name that is no clip is marked; an announcement carries it as asked.
    const auto asAsked = [](Part part) {
        for (std::string &clip : part.clips) {
            if (clip.starts_with('?')) {
                clip.erase(0, 1);
            }
        }
        return part;
    };
    std::vector<Announcement> answersHeard;
    std::map<Reading, Clips> lastHeard;
    for (const Announcement &a : together.heard) {
        Announcement heard { a.origin, {} };
        for (const Part &part : a.parts) {
            heard.parts.push_back(asAsked(part));
            lastHeard[part.reading] = heard.parts.back().clips;
        }
        if (a.origin == Origin::Answer) {
            answersHeard.push_back(heard);
        }
    }
    if (answersHeard != answers) {
        return "an answer was not heard in full";
    }
    if (lastHeard != newest) {
        return "a reading was not last heard in full at its newest value";
    }
    return {};
}

} // namespace vexalo::testing

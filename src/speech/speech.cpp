#include "speech.h"

#include "lifecycle.h"
#include "logging.h"
#include "q7_globals.h"
#include "reply.h"

#include <algorithm>

namespace vexalo {

bool isValidClipName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

Speech::Mute::Mute(Speech &speech) : m_speech(speech), m_wasOn(speech.m_globals.speech_on)
{
    m_speech.m_globals.speech_on = false;
}

Speech::Mute::~Mute()
{
    m_speech.m_globals.speech_on = m_wasOn;
}

void Speech::unmute()
{
    m_globals.speech_on = true;
}

Speech::Announcement::Announcement(Speech &speech, std::function<bool()> superseded)
    : m_speech(speech), m_outer(speech.m_current), m_superseded(std::move(superseded))
{
    m_speech.endAnnouncement();
    m_speech.m_current = this;
}

Speech::Announcement::~Announcement()
{
    m_speech.endAnnouncement();
    m_speech.m_current = m_outer;
}

void Speech::endAnnouncement()
{
    if (m_heard.empty()) {
        return;
    }
    m_pauseDue = true;
    const std::vector<std::string> heard = std::exchange(m_heard, {});
    if (m_listener) {
        m_listener->announced(heard);
    }
}

bool Speech::mayContinue()
{
    if (m_lifecycle && m_lifecycle->stopping()) {
        return false;
    }
    if (m_current == nullptr) {
        return true;
    }
    if (!m_current->m_cut && m_current->m_superseded && m_current->m_superseded()) {
        qCDebug(lcSpeech, "announcement superseded");
        m_current->m_cut = true;
    }
    return !m_current->m_cut;
}

void Speech::PlayClip(std::string_view name)
{
    if (!m_globals.speech_on || !mayContinue()) {
        return;
    }
    play(name);
}

void Speech::SayAgain(const std::vector<std::string> &heard)
{
    const Announcement again = announce();
    for (const std::string &clip : heard) {
        // A name that was no clip is asked for as it was, so it is reported the same way.
        PlayClip(clip.starts_with('?') ? std::string_view(clip).substr(1) : clip);
    }
}

void Speech::PlayFarewell(std::string_view name)
{
    endAnnouncement();
    play(name);
    endAnnouncement();
}

void Speech::play(std::string_view name)
{
    if (m_pauseDue) {
        m_pauseDue = false;
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_lastClipEnd);
        if (since < kPause) {
            m_sink.playSilence(kPause - since);
        }
    }
    qCDebug(lcSpeech, "clip %.*s", static_cast<int>(name.size()), name.data());
    if (isValidClipName(name)) {
        m_sink.playClip(name);
        m_heard.emplace_back(name);
    } else {
        m_sink.playMissing(name);
        m_heard.push_back("?" + std::string(name));
    }
    m_lastClipEnd = std::chrono::steady_clock::now();
}

void Speech::SayNumber(std::string_view text)
{
    const Reply f(text);
    if (isNonZeroDigit(f.at(3))) {
        PlayClip(f.at(3));
    }
    int start = 5;
    if (isNonZeroDigit(f.at(4))) {
        PlayClip(f.field(4, 2));
        start = 6;
    }
    for (int pos = start; pos <= 8; ++pos) {
        PlayClip(f.at(pos));
    }
    PlayClip("pt");
    PlayClip(f.at(9));
    PlayClip(f.at(10));
}

void Speech::SayOffset(std::string_view text)
{
    const Reply o(text);
    PlayClip(o.at(1) == "+" ? "plus" : "minus");
    if (isNonZeroDigit(o.at(2))) {
        PlayClip(o.at(2));
        PlayClip("pt");
        for (int pos = 3; pos <= 5; ++pos) {
            PlayClip(o.at(pos));
        }
        return;
    }
    int start = 5;
    if (isNonZeroDigit(o.at(3))) {
        start = 3;
    } else if (isNonZeroDigit(o.at(4))) {
        start = 4;
    }
    for (int pos = start; pos <= 5; ++pos) {
        PlayClip(o.at(pos));
    }
    PlayClip("hz");
}

} // namespace vexalo

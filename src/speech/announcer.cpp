#include "announcer.h"

#include "lifecycle.h"
#include "logging.h"

namespace vexalo {

void Announcer::enqueue(Announcement announcement)
{
    if (!m_speechOn || stopping() || announcement.empty()) {
        return;
    }
    m_queue.push_back(std::move(announcement));
}

void Announcer::say(Announcement announcement)
{
    enqueue(std::move(announcement));
    speak();
}

void Announcer::speak()
{
    if (m_speaking) {
        return;
    }
    m_speaking = true;
    m_speakingSince = std::chrono::steady_clock::now();
    while (!m_queue.empty() && !stopping()) {
        sayFront();
        m_queue.pop_front();
    }
    m_queue.clear(); // what was waiting when the program began to stop is never said
    m_speakingTime += std::chrono::steady_clock::now() - m_speakingSince;
    m_speaking = false;
}

std::chrono::nanoseconds Announcer::speakingTime() const
{
    return m_speaking ? m_speakingTime + (std::chrono::steady_clock::now() - m_speakingSince)
                      : m_speakingTime;
}

bool Announcer::stopping() const
{
    return m_lifecycle != nullptr && m_lifecycle->stopping();
}

bool Announcer::passedOver(std::size_t part) const
{
    const Announcement &current = m_queue.front();
    if (!current.mayBePassedOver()) {
        return false;
    }
    const Reading reading = current.parts[part].reading;
    for (auto later = m_queue.begin() + 1; later != m_queue.end(); ++later) {
        if (later->about(reading) != nullptr) {
            return true;
        }
    }
    return false;
}

void Announcer::sayFront()
{
    // Arrivals only ever join the back of the queue, so the front stays where it is; its
    // parts are looked up afresh after each clip all the same.
    Announcement heard { m_queue.front().origin, {} };
    for (std::size_t part = 0; part < m_queue.front().parts.size(); ++part) {
        for (std::size_t clip = 0;; ++clip) {
            if (stopping()) {
                report(heard);
                return;
            }
            if (passedOver(part)) {
                qCDebug(lcSpeech, "passed over: %s",
                        nameOf(m_queue.front().parts[part].reading).data());
                break;
            }
            const Part &now = m_queue.front().parts[part];
            if (clip >= now.clips.size()) {
                break;
            }
            const Reading reading = now.reading;
            heard.add(reading, play(now.clips[clip]));
            // Once stopping, nothing more that arrives is handed on.
            if (m_source != nullptr && !stopping()) {
                m_source->collectArrivals();
            }
        }
    }
    report(heard);
}

std::string Announcer::play(std::string_view name)
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
    std::string heard(name);
    if (isValidClipName(name)) {
        m_sink.playClip(name);
    } else {
        m_sink.playMissing(name);
        heard.insert(heard.begin(), '?');
    }
    m_lastClipEnd = std::chrono::steady_clock::now();
    return heard;
}

void Announcer::report(const Announcement &heard)
{
    if (heard.empty()) {
        return;
    }
    m_pauseDue = true;
    m_last = heard;
    if (m_listener != nullptr) {
        m_listener->announced(heard);
    }
}

void Announcer::repeatLast()
{
    Clips again;
    for (const std::string &clip : m_last.clips()) {
        // A name that was no clip is asked for as it was, so it is heard and shown the same way.
        again.push_back(clip.starts_with('?') ? clip.substr(1) : clip);
    }
    say(std::move(again));
}

void Announcer::farewell(std::string_view clip)
{
    Announcement heard;
    heard.add(Reading::None, play(clip));
    m_sink.drain();
    report(heard);
}

} // namespace vexalo

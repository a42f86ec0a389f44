#include "announcer.h"

#include "cues.h"
#include "lifecycle.h"
#include "logging.h"

#include <algorithm>
#include <thread>

namespace vexalo {

namespace {

bool isFrequency(Reading reading)
{
    return reading == Reading::FrequencyA || reading == Reading::FrequencyB;
}

} // namespace

void Announcer::enqueue(Announcement announcement)
{
    // Ticks are a choice of their own: they sound even when the readout is left out.
    noteCrossing(announcement);
    if (announcement.mayBePassedOver()) {
        std::erase_if(announcement.parts,
                      [this](const Part &part) { return m_unannounced.contains(part.reading); });
    }
    if (!m_speechOn || stopping() || announcement.empty()) {
        return;
    }
    // A held report is stale once anything newer says a frequency, and after a band change
    // the knob has not stopped where it was.
    if (m_held
        && (announcement.origin == Origin::BandChange
            || announcement.about(Reading::FrequencyA) != nullptr
            || announcement.about(Reading::FrequencyB) != nullptr)) {
        m_held.reset();
    }
    holdTuning(announcement);
    if (!announcement.empty()) {
        m_queue.push_back(std::move(announcement));
    }
}

void Announcer::holdTuning(Announcement &announcement)
{
    if (!m_settling || !announcement.mayBePassedOver()) {
        return;
    }
    Announcement tuning { announcement.origin, {} };
    std::erase_if(announcement.parts, [&tuning](Part &part) {
        if (!isFrequency(part.reading)) {
            return false;
        }
        tuning.parts.push_back(std::move(part));
        return true;
    });
    if (!tuning.empty()) {
        m_held = std::move(tuning);
        m_heldSince = m_clock();
    }
}

void Announcer::noteCrossing(const Announcement &announcement)
{
    // Arrivals while something is said are stepped over: a tick after the speech would be late.
    if (!m_ticks || m_speaking || !announcement.mayBePassedOver()) {
        return;
    }
    for (const Part &part : announcement.parts) {
        m_tickDue = std::max(m_tickDue, part.crossed);
    }
}

void Announcer::tickIfDue()
{
    const Crossing due = std::exchange(m_tickDue, Crossing::None);
    if (due == Crossing::None || !m_speechOn || stopping()) {
        return;
    }
    const auto now = m_clock();
    if (m_lastTick && now - *m_lastTick < kTickGap) {
        return;
    }
    m_lastTick = now;
    const std::string_view tick = due == Crossing::TenKilohertz ? kTickHigh.clip : kTick.clip;
    qCDebug(lcSpeech, "clip %.*s", static_cast<int>(tick.size()), tick.data());
    m_sink.playClip(tick);
}

void Announcer::setAnnounced(const AnnouncedReading &reading, bool on)
{
    for (const Reading each : { reading.reading, reading.also }) {
        if (on) {
            m_unannounced.erase(each);
        } else {
            m_unannounced.insert(each);
        }
    }
}

bool Announcer::announced(const AnnouncedReading &reading) const
{
    return !m_unannounced.contains(reading.reading);
}

void Announcer::setSettling(bool on)
{
    m_settling = on;
    if (!on) {
        m_held.reset();
    }
}

std::optional<std::chrono::milliseconds> Announcer::settleLeft() const
{
    if (!m_held) {
        return std::nullopt;
    }
    // Rounded up, so that a timer set by it never finds the report not yet due.
    const auto waited = std::chrono::floor<std::chrono::milliseconds>(m_clock() - m_heldSince);
    return std::max(m_settle - waited, std::chrono::milliseconds(0));
}

void Announcer::releaseSettled()
{
    if (m_held && m_clock() - m_heldSince >= m_settle) {
        m_queue.push_back(std::move(*m_held));
        m_held.reset();
    }
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
    tickIfDue();
    for (releaseSettled(); !m_queue.empty() && !stopping(); releaseSettled()) {
        sayFront();
        m_queue.pop_front();
        if (std::exchange(m_silenced, false)) {
            m_queue.clear();
        }
    }
    if (stopping()) {
        // What was waiting when the program began to stop is never said.
        m_queue.clear();
        m_held.reset();
    }
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

void Announcer::useService(SpeechService *service, ClipWords words,
                           std::function<void(const std::string &)> lost, ServiceBounds bounds)
{
    m_service = service;
    m_words = std::move(words);
    m_serviceLost = std::move(lost);
    m_bounds = bounds;
}

void Announcer::sayFront()
{
    // Arrivals only ever join the back of the queue, so the front stays where it is; its
    // parts are looked up afresh after each clip all the same.
    shortenFront();
    Announcement heard { m_queue.front().origin, {} };
    for (std::size_t part = 0; part < m_queue.front().parts.size(); ++part) {
        const std::size_t heardBefore = heard.clips().size();
        Said said = Said::Failed;
        if (m_service != nullptr) {
            said = sayAloud(part, heard);
            if (said == Said::Failed) {
                // Said again in clips from its start: nothing the operator should hear is lost.
                loseService();
            }
        }
        if (said == Said::Failed) {
            said = sayInClips(part, heard);
        }
        if (heard.clips().size() > heardBefore) {
            noteFrequency(m_queue.front().parts[part]);
        }
        if (said == Said::Stopped) {
            break;
        }
    }
    report(heard);
}

void Announcer::shortenFront()
{
    Announcement &front = m_queue.front();
    if (!m_shortReadouts || !front.mayBePassedOver() || !m_lastFrequency
        || m_clock() - m_lastFrequency->when > kShortReadoutMemory) {
        return;
    }
    for (Part &part : front.parts) {
        const auto megahertz = static_cast<std::ptrdiff_t>(part.megahertz);
        if (part.megahertz > 0 && part.reading == m_lastFrequency->reading
            && part.clips.size() > part.megahertz
            && std::equal(part.clips.begin(), part.clips.begin() + megahertz,
                          m_lastFrequency->megahertz.begin(), m_lastFrequency->megahertz.end())) {
            part.clips.erase(part.clips.begin(), part.clips.begin() + megahertz);
            part.megahertz = 0;
            // Heard again in this band: the memory runs from now.
            m_lastFrequency->when = m_clock();
        }
    }
}

void Announcer::noteFrequency(const Part &part)
{
    if (part.megahertz == 0) {
        return;
    }
    const auto megahertz = static_cast<std::ptrdiff_t>(part.megahertz);
    m_lastFrequency
        = HeardFrequency { part.reading, Clips(part.clips.begin(), part.clips.begin() + megahertz),
                           m_clock() };
}

Announcer::Said Announcer::sayInClips(std::size_t part, Announcement &heard)
{
    for (std::size_t clip = 0;; ++clip) {
        if (stopping() || m_silenced) {
            return Said::Stopped;
        }
        if (passedOver(part)) {
            qCDebug(lcSpeech, "passed over: %s",
                    nameOf(m_queue.front().parts[part].reading).data());
            return Said::Cut;
        }
        const Part &now = m_queue.front().parts[part];
        if (clip >= now.clips.size()) {
            return Said::Whole;
        }
        const Reading reading = now.reading;
        heard.add(reading, play(now.clips[clip], true));
        stepBetweenClips();
    }
}

Announcer::Said Announcer::sayAloud(std::size_t part, Announcement &heard)
{
    if (passedOver(part)) {
        return Said::Cut;
    }
    const Part spoken = m_queue.front().parts[part];
    // A tone is no word for the service: it sounds through the sink, ahead of its words.
    bool toned = false;
    for (const std::string &clip : spoken.clips) {
        if (isCue(clip)) {
            qCDebug(lcSpeech, "clip %s", clip.c_str());
            m_sink.playClip(clip);
            toned = true;
        }
    }
    const std::string text = m_words.utterance(spoken.clips);
    if (text.empty()) {
        if (toned) {
            heard.add(spoken.reading, spoken.clips);
        }
        return Said::Whole;
    }
    const Said said = sayThroughService(text, true, [this, part] { return passedOver(part); });
    if (said == Said::Whole || said == Said::Cut) {
        heard.add(spoken.reading, spoken.clips);
    }
    return said;
}

void Announcer::stepBetweenClips()
{
    if (m_betweenClips != nullptr && !stopping()) {
        m_betweenClips->betweenClips();
    }
}

Announcer::Said Announcer::sayThroughService(const std::string &text, bool stoppable,
                                             const std::function<bool()> &cut)
{
    pauseIfDue(false);
    qCDebug(lcSpeech, "say %s", text.c_str());
    const ServiceSpeaking speaking(*this);
    if (!m_service->say(text)) {
        return Said::Failed;
    }
    const auto words = 1 + std::count(text.begin(), text.end(), ' ');
    const auto deadline
        = std::chrono::steady_clock::now() + m_bounds.base + words * m_bounds.perWord;
    for (;;) {
        const SpeechService::Progress progress = m_service->wait(m_bounds.poll);
        if (progress == SpeechService::Progress::Ended) {
            m_lastClipEnd = std::chrono::steady_clock::now();
            return Said::Whole;
        }
        if (progress == SpeechService::Progress::Failed) {
            return Said::Failed;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return Said::Failed;
        }
        if (stoppable && m_whileSounding != nullptr) {
            m_whileSounding->look();
        }
        const bool stop = stoppable && (stopping() || m_silenced);
        if (stoppable) {
            stepBetweenClips();
        }
        if (stop || cut()) {
            // Only this program's own speech is stopped; the screen reader's goes on.
            qCDebug(lcSpeech, "%s", stop ? "stopped: stopping" : "stopped: passed over");
            if (!m_service->stop()) {
                return Said::Failed;
            }
            m_lastClipEnd = std::chrono::steady_clock::now();
            return stop ? Said::Stopped : Said::Cut;
        }
    }
}

void Announcer::loseService()
{
    const std::string why
        = m_service->failure().empty() ? "no end of speech within the bound" : m_service->failure();
    qCWarning(lcSpeech, "speech service lost (%s); the recorded voice speaks from now on",
              why.c_str());
    m_service = nullptr;
    if (m_serviceLost) {
        m_serviceLost(why);
    }
}

void Announcer::pauseIfDue(bool throughSink)
{
    if (!m_pauseDue) {
        return;
    }
    m_pauseDue = false;
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_lastClipEnd);
    if (since >= kPause) {
        return;
    }
    if (throughSink) {
        m_sink.playSilence(kPause - since);
    } else {
        std::this_thread::sleep_for(kPause - since);
    }
}

std::string Announcer::play(std::string_view name, bool stoppable)
{
    pauseIfDue(true);
    qCDebug(lcSpeech, "clip %.*s", static_cast<int>(name.size()), name.data());
    std::string heard(name);
    if (isValidClipName(name) && stoppable && m_whileSounding != nullptr) {
        m_sink.startClip(name);
        while (!m_silenced && !m_sink.awaitClip(kLookEvery)) {
            m_whileSounding->look();
        }
        if (m_silenced) {
            qCDebug(lcSpeech, "stopped in clip %.*s", static_cast<int>(name.size()), name.data());
        }
    } else if (isValidClipName(name)) {
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

void Announcer::silence()
{
    m_held.reset();
    m_tickDue = Crossing::None;
    if (!m_speaking) {
        m_queue.clear();
        return;
    }
    // The front is the one being said; it ends at its next clip, the rest goes now.
    m_queue.erase(m_queue.begin() + 1, m_queue.end());
    m_silenced = true;
    m_sink.stop();
}

void Announcer::setTone(double hertz)
{
    m_tone = hertz;
    if (!m_serviceSpeaking) {
        m_sink.setTone(hertz);
    }
}

Announcer::ServiceSpeaking::ServiceSpeaking(Announcer &announcer) : m_announcer(announcer)
{
    m_announcer.m_serviceSpeaking = true;
    if (m_announcer.m_tone > 0) {
        m_announcer.m_sink.setTone(0);
    }
}

Announcer::ServiceSpeaking::~ServiceSpeaking()
{
    m_announcer.m_serviceSpeaking = false;
    if (m_announcer.m_tone > 0) {
        m_announcer.m_sink.setTone(m_announcer.m_tone);
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
    if (m_service != nullptr) {
        const std::string text = m_words.utterance({ std::string(clip) });
        if (sayThroughService(text, false, [] { return false; }) == Said::Whole) {
            heard.add(Reading::None, std::string(clip));
            report(heard);
            return;
        }
        loseService();
    }
    heard.add(Reading::None, play(clip, false));
    m_sink.drain();
    report(heard);
}

} // namespace vexalo

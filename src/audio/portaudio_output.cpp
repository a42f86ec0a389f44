#include "portaudio_output.h"

#include "logging.h"
#include "portaudio_device.h"

#include <QAbstractEventDispatcher>

#include <portaudio.h>

#ifdef VEXALO_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef VEXALO_HAVE_JACK
#include <jack/jack.h>
#endif

#if defined(__unix__) || defined(__APPLE__)
#define VEXALO_POSIX_STDERR
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

namespace vexalo {

namespace {

#ifdef VEXALO_HAVE_ALSA
void ignoreAlsa(const char *, int, const char *, int, const char *, ...) { }
#endif
#ifdef VEXALO_HAVE_JACK
void ignoreJack(const char *) { }
#endif

// ALSA and JACK report every probe of a missing card or server on stderr unless given
// handlers of their own. Both handlers are process-wide and idempotent to set.
void quietAudioLibraries()
{
#ifdef VEXALO_HAVE_ALSA
    snd_lib_error_set_handler(ignoreAlsa);
#endif
#ifdef VEXALO_HAVE_JACK
    jack_set_error_function(ignoreJack);
    jack_set_info_function(ignoreJack);
#endif
}

// PortAudio's host layers print some failures straight to stderr, with no hook to turn that
// off. Device set-up and tear-down take a few milliseconds on this one thread, so stderr is
// pointed at /dev/null just for that time.
class StderrMuted {
public:
    StderrMuted()
    {
#ifdef VEXALO_POSIX_STDERR
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) {
            return;
        }
        m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (m_saved >= 0) {
            ::dup2(null, STDERR_FILENO);
        }
        ::close(null);
#endif
    }
    ~StderrMuted()
    {
#ifdef VEXALO_POSIX_STDERR
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
#endif
    }
    StderrMuted(const StderrMuted &) = delete;
    StderrMuted &operator=(const StderrMuted &) = delete;

private:
    int m_saved = -1;
};

int streamCallback(const void *, void *output, unsigned long frames,
                   const PaStreamCallbackTimeInfo *time, PaStreamCallbackFlags, void *self)
{
    const double delay = std::max(0.0, time->outputBufferDacTime - time->currentTime);
    return static_cast<PortAudioOutput *>(self)->fill(static_cast<std::int16_t *>(output), frames,
                                                      delay);
}

PaError openOutput(PaStream **stream, PaDeviceIndex device, double rate,
                   std::chrono::milliseconds latency, PortAudioOutput *self)
{
    PaStreamParameters parameters {};
    parameters.device = device;
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = std::chrono::duration<double>(latency).count();
    return Pa_OpenStream(stream, nullptr, &parameters, rate, paFramesPerBufferUnspecified, paNoFlag,
                         streamCallback, self);
}

// The sound servers name a stream after what their client library finds in the environment
// when the stream connects; without it the mixer shows "ALSA plug-in [vexalo]". Variables the
// user has set are left as they are.
void labelStreams(const StreamLabel &label)
{
#ifdef VEXALO_POSIX_STDERR
    const auto offer
        = [](const char *name, const std::string &value) { ::setenv(name, value.c_str(), 0); };
    // PulseAudio's ALSA plug-in: libpulse takes PULSE_PROP_OVERRIDE_<key> for the client, and
    // the server gives the client's properties to its streams. The plug-in names the stream
    // itself ("ALSA Playback"), which no variable overrides. a11y is PulseAudio's role for
    // accessibility aids (pipewire-pulse maps it to PipeWire's "Accessibility").
    offer("PULSE_PROP_OVERRIDE_application.name", label.application);
    offer("PULSE_PROP_OVERRIDE_application.icon_name", label.icon);
    offer("PULSE_PROP_OVERRIDE_media.role", "a11y");
    // PipeWire's ALSA plug-in takes the stream's own properties from one variable.
    offer("PIPEWIRE_ALSA",
          "{ application.name=\"" + label.application + "\" application.icon_name=\"" + label.icon
              + "\" media.name=\"" + label.media + "\" media.role=\"Accessibility\" }");
#else
    (void)label;
#endif
}

// Room for a second and a half at 44.1 kHz; longer clips are written in pieces as it empties.
constexpr std::size_t kRingFrames = 1 << 16;

// How long the audio thread may take nothing before the device is given up for lost. A sound
// server that idles can hold a stream that (re)starts for up to two seconds.
constexpr auto kStallLimit = std::chrono::seconds(3);

} // namespace

PortAudioOutput::PortAudioOutput(OutputOptions options) : m_options(std::move(options))
{
    m_idleClose.setSingleShot(true);
    m_idleClose.callOnTimeout([this] { closeIdleStream(); });
}

PortAudioOutput::~PortAudioOutput()
{
    close();
}

int PortAudioOutput::open(int preferredRate)
{
    if (m_stream) {
        return m_rate;
    }
    quietAudioLibraries();
    m_ring.assign(kRingFrames, 0);
    m_written = 0;
    m_read = 0;
    m_dropUntil = 0;
    int error = paNoError;
    {
        const StderrMuted muted;
        error = start(preferredRate);
    }
    if (error != paNoError) {
        qCDebug(lcSpeech, "audio: no output device: %s", Pa_GetErrorText(error));
        return 0;
    }
    return m_rate;
}

int PortAudioOutput::start(int preferredRate)
{
    if (!m_initialised) {
        labelStreams(m_options.label);
        const PaError error = Pa_Initialize();
        if (error != paNoError) {
            return error;
        }
        m_initialised = true;
    }
    PaStream *stream = nullptr;
    double rate = preferredRate;
    const auto openOn = [&](PaDeviceIndex device) {
        rate = preferredRate;
        PaError error = device == paNoDevice
            ? paDeviceUnavailable
            : openOutput(&stream, device, rate, m_options.latency, this);
        if (error == paInvalidSampleRate) {
            rate = Pa_GetDeviceInfo(device)->defaultSampleRate;
            error = openOutput(&stream, device, rate, m_options.latency, this);
        }
        return error;
    };
    // The preferred device may have gone with its server since PortAudio listed it.
    const PaDeviceIndex preferred = preferredOutputDevice();
    PaError error = openOn(preferred);
    if (error != paNoError && preferred != Pa_GetDefaultOutputDevice()) {
        error = openOn(Pa_GetDefaultOutputDevice());
    }
    if (error == paNoError) {
        m_rate = static_cast<int>(rate);
        m_deviceFrames = static_cast<long>(Pa_GetStreamInfo(stream)->outputLatency * m_rate);
        m_keepFedFrames = static_cast<long>(m_options.keepFed.count() * m_rate / 1000);
        resetFeed();
        error = Pa_StartStream(stream);
        m_started = std::chrono::steady_clock::now();
        if (error != paNoError) {
            Pa_CloseStream(stream);
        }
    }
    if (error != paNoError) {
        // PortAudio lists the devices only when it starts: ending it here lets a card that is
        // plugged in before the next attempt be found.
        Pa_Terminate();
        m_initialised = false;
        m_rate = 0;
        return error;
    }
    m_stream = stream;
    return paNoError;
}

void PortAudioOutput::resetFeed()
{
    m_tone.reset(m_rate);
    m_idleFrames = 0;
    m_silent = true;
    m_settling = true;
    m_settleHanded = -1;
    m_idleStopped = false;
    m_playedOut = true;
}

int PortAudioOutput::fill(std::int16_t *out, unsigned long frames, double deviceDelay)
{
    const std::uint64_t written = m_written.load(std::memory_order_acquire);
    std::uint64_t read = m_read.load(std::memory_order_relaxed);
    // Silence while a stream just started throws away what it is given.
    const bool settle = settling(frames, deviceDelay);
    unsigned long filled = settle ? frames : 0;
    const std::uint64_t dropUntil = m_dropUntil.load(std::memory_order_acquire);
    if (dropUntil > read) {
        // Stopped: a few milliseconds of what was playing, ramped down so that it does not
        // click, then on past the rest.
        const auto fade = static_cast<unsigned long>(std::min<std::uint64_t>(
            { dropUntil - read, frames - filled, static_cast<std::uint64_t>(m_rate / 250) }));
        for (unsigned long i = 0; i < fade; ++i) {
            out[filled++] = static_cast<std::int16_t>(m_ring[(read + i) % kRingFrames]
                                                      * static_cast<long>(fade - i)
                                                      / static_cast<long>(fade + 1));
        }
        read = dropUntil;
    }
    const auto taken
        = static_cast<unsigned long>(std::min<std::uint64_t>(frames - filled, written - read));
    noteSoundStart(filled, taken, deviceDelay);
    m_silent = taken == 0;
    for (unsigned long i = 0; i < taken; ++i) {
        out[filled++] = m_ring[(read + i) % kRingFrames];
    }
    std::fill(out + filled, out + frames, std::int16_t { 0 });
    if (taken > 0) {
        m_playedOut.store(false, std::memory_order_relaxed);
    }
    m_read.store(read + taken, std::memory_order_release);
    const double tone = m_toneTarget.load(std::memory_order_relaxed);
    if (!settle) {
        m_tone.mix({ out, frames }, filled, tone);
    }

    const bool sounding = taken > 0 || m_tone.sounding(tone);
    m_idleFrames = sounding ? 0 : m_idleFrames + static_cast<long>(frames);
    m_playedOut.store(m_idleFrames >= m_deviceFrames, std::memory_order_release);
    if (m_idleFrames < m_keepFedFrames) {
        return paContinue;
    }
    // Ended at once: what the device still holds is silence.
    m_idleStopped.store(true, std::memory_order_release);
    return paAbort;
}

void PortAudioOutput::noteSoundStart(unsigned long silence, unsigned long taken, double deviceDelay)
{
    // Each call dates the sound's first frame anew: now, plus the device's delay and the
    // silence before this call's frames, less the sound already handed out. A device that holds
    // a stream before it plays (a sound server waking up) shows only in the later calls, so the
    // latest date over the sound's first 100 ms counts.
    const bool started = taken > 0 && m_silent;
    if (started) {
        m_soundFrames = 0;
        m_soundHeard = 0;
    }
    const long window = m_rate / 10;
    if (taken > 0 && m_soundFrames < window) {
        const double now
            = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                  .count();
        m_soundHeard
            = std::max(m_soundHeard,
                       now + deviceDelay + (static_cast<double>(silence) - m_soundFrames) / m_rate);
        m_soundFrames += static_cast<long>(taken);
    }
    const bool dated = m_soundFrames >= window || (taken == 0 && !m_silent);
    if (m_soundHeard > 0 && dated) {
        m_soundStart.store(static_cast<std::int64_t>(m_soundHeard * 1e6),
                           std::memory_order_relaxed);
        m_soundHeard = 0;
    }
}

bool PortAudioOutput::settling(unsigned long frames, double deviceDelay)
{
    if (!m_settling) {
        return false;
    }
    // Frames handed to the device must show up as held by it or as played since. A device that
    // holds nothing at its first call may yet be one that throws frames away: that call gets
    // silence, and the next shows which it is. A sound server whose stream underran at the
    // start takes frames much faster than real time for a while and drops them; the look is
    // given up after a second, so a device whose timing says nothing still plays.
    const auto now = std::chrono::steady_clock::now();
    bool dropping = false;
    if (m_settleHanded < 0) {
        m_settleStart = now;
        dropping = deviceDelay <= 0;
    } else {
        const double elapsed = std::chrono::duration<double>(now - m_settleSince).count();
        const double accounted = (deviceDelay + elapsed) * m_rate + m_rate / 1000.0;
        dropping = static_cast<double>(m_settleHanded) > accounted
            && now - m_settleStart < std::chrono::seconds(1);
    }
    if (!dropping) {
        m_settling = false;
        return false;
    }
    m_settleSince = now;
    m_settleHanded = static_cast<long>(frames);
    return true;
}

bool PortAudioOutput::streaming() const
{
    return m_stream && !m_idleStopped.load(std::memory_order_acquire);
}

long PortAudioOutput::ringQueued() const
{
    return static_cast<long>(m_written.load(std::memory_order_relaxed)
                             - std::max(m_read.load(std::memory_order_acquire),
                                        m_dropUntil.load(std::memory_order_relaxed)));
}

bool PortAudioOutput::quiet() const
{
    return !streaming()
        || (ringQueued() == 0 && m_toneTarget.load(std::memory_order_relaxed) <= 0
            && m_playedOut.load(std::memory_order_acquire));
}

std::chrono::milliseconds PortAudioOutput::runningFor() const
{
    if (!streaming()) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()
                                                                 - m_started);
}

void PortAudioOutput::stop()
{
    m_dropUntil.store(m_written.load(std::memory_order_relaxed), std::memory_order_release);
}

void PortAudioOutput::setTone(double hertz)
{
    m_toneTarget.store(std::max(0.0, hertz), std::memory_order_relaxed);
    if (hertz > 0) {
        // A stream that ended itself for idleness is started again; one the device stopped is
        // left for the next clip to find out about.
        if (m_initialised) {
            running(false);
        }
    } else if (m_stream && QAbstractEventDispatcher::instance()) {
        // Fed its idle time from now, then closed as after a clip.
        m_idleClose.start(2 * m_options.keepFed + std::chrono::milliseconds(250));
    }
}

bool PortAudioOutput::running(bool mayStartAfresh)
{
    // A stream the audio thread has ended for idleness is replaced at once, even while
    // PortAudio is still winding it down.
    if (!streaming()) {
        return restart();
    }
    if (Pa_IsStreamActive(m_stream) == 1) {
        return true;
    }
    // The device stopped the stream: it failed, and restarting that stream can hang inside
    // PortAudio for good. PortAudio is started afresh, which finds a sound server that is
    // back; left for the next write while draining, so that the clip then due is the one
    // that finds out.
    if (!mayStartAfresh) {
        return false;
    }
    qCDebug(lcSpeech, "audio: the device stopped the stream");
    return restartAfresh(m_rate, false);
}

bool PortAudioOutput::restart()
{
    // A new stream rather than the stopped one started again: should the sound server have gone
    // away meanwhile, starting the old stream hangs inside PortAudio for good, where opening a
    // new one fails at once. Opening costs a few milliseconds; PortAudio itself stays up.
    const int rate = m_rate;
    {
        const StderrMuted muted;
        closeStream();
        if (start(rate) == paNoError) {
            return m_rate == rate;
        }
    }
    qCDebug(lcSpeech, "audio: the device went away");
    return restartAfresh(rate, true);
}

bool PortAudioOutput::restartAfresh(int rate, bool keepQueued)
{
    abandon();
    if (!keepQueued) {
        // No audio thread runs now, so the program may skip what is left.
        m_read.store(m_written.load(std::memory_order_relaxed), std::memory_order_release);
    }
    PaError error = paNoError;
    {
        const StderrMuted muted;
        error = start(rate);
    }
    if (error != paNoError) {
        qCDebug(lcSpeech, "audio: no output device any more: %s", Pa_GetErrorText(error));
        return false;
    }
    qCDebug(lcSpeech, "audio: PortAudio started afresh");
    return m_rate == rate;
}

void PortAudioOutput::closeStream()
{
    if (m_stream) {
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
}

void PortAudioOutput::closeIdleStream()
{
    if (m_idleStopped.load(std::memory_order_acquire)) {
        const StderrMuted muted;
        closeStream();
        m_idleStopped = false;
        if (!m_options.holdsLibraryIdle) {
            Pa_Terminate();
            m_initialised = false;
            m_rate = 0;
        }
    }
}

bool PortAudioOutput::write(std::span<const std::int16_t> frames)
{
    // PortAudio is up while a stream is open or one was closed for idleness.
    if (!m_initialised || !running(true)) {
        return false;
    }
    auto lastRead = m_read.load(std::memory_order_acquire);
    auto lastProgress = std::chrono::steady_clock::now();
    std::size_t done = 0;
    while (done < frames.size()) {
        const std::uint64_t written = m_written.load(std::memory_order_relaxed);
        const std::uint64_t read = m_read.load(std::memory_order_acquire);
        const auto room = static_cast<std::size_t>(kRingFrames - (written - read));
        if (room > 0) {
            const std::size_t count = std::min(room, frames.size() - done);
            for (std::size_t i = 0; i < count; ++i) {
                m_ring[(written + i) % kRingFrames] = frames[done + i];
            }
            m_written.store(written + count, std::memory_order_release);
            done += count;
            continue;
        }
        // Full: wait for a quarter of the ring to be played, unless the device has stopped
        // taking frames altogether.
        const auto now = std::chrono::steady_clock::now();
        if (read != lastRead) {
            lastRead = read;
            lastProgress = now;
        } else if (now - lastProgress > kStallLimit) {
            qCDebug(lcSpeech, "audio: the device stopped playing");
            abandon();
            return false;
        }
        if (!running(true)) {
            return false;
        }
        Pa_Sleep(static_cast<long>(kRingFrames / 4 * 1000 / m_rate));
    }
    return true;
}

bool PortAudioOutput::drainTo(long frames, std::chrono::milliseconds limit)
{
    if (!m_stream) {
        return true;
    }
    // What waits to be heard is the ring plus what the device holds beyond it.
    auto lastRead = m_read.load(std::memory_order_acquire);
    auto lastProgress = std::chrono::steady_clock::now();
    const auto deadline = lastProgress + limit;
    const long ringTarget = std::max(0L, frames - m_deviceFrames);
    for (long queued = ringQueued(); queued > ringTarget; queued = ringQueued()) {
        const auto read = m_read.load(std::memory_order_acquire);
        const auto now = std::chrono::steady_clock::now();
        if (read != lastRead) {
            lastRead = read;
            lastProgress = now;
        } else if (now - lastProgress > kStallLimit) {
            // A device that stops consuming must not hang the program.
            return true;
        }
        if (!running(false)) {
            return true;
        }
        if (now >= deadline) {
            return false;
        }
        // Short naps: a stream that reached its idle time just before this write is restarted
        // at the next look, not after the whole clip's time.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        Pa_Sleep(std::clamp((queued - ringTarget) * 1000 / m_rate, 1L,
                            std::max(1L,
                                     std::min(static_cast<long>(m_options.latency.count()),
                                              static_cast<long>(left.count())))));
    }
    logSoundStart();
    if (frames < m_deviceFrames) {
        Pa_Sleep((m_deviceFrames - frames) * 1000 / m_rate);
    }
    // By then the queue and the device have played out and the stream has been fed its idle
    // time, with room for a late audio thread.
    if (QAbstractEventDispatcher::instance()) {
        m_idleClose.start(2 * m_options.keepFed + std::chrono::milliseconds(250));
    }
    return true;
}

void PortAudioOutput::logSoundStart()
{
    const std::int64_t start = m_soundStart.load(std::memory_order_relaxed);
    if (start != m_soundStartLogged) {
        m_soundStartLogged = start;
        qCDebug(lcSpeech, "audio: sound from %lld.%06lld", static_cast<long long>(start / 1000000),
                static_cast<long long>(start % 1000000));
    }
}

void PortAudioOutput::close()
{
    if (!m_stream && !m_initialised) {
        return;
    }
    if (m_stream) {
        drainTo(0, kWholeWait);
    }
    const StderrMuted muted;
    if (m_stream) {
        Pa_StopStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    Pa_Terminate();
    m_initialised = false;
    m_rate = 0;
    m_idleClose.stop();
}

void PortAudioOutput::abandon()
{
    const StderrMuted muted;
    if (m_stream) {
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    if (m_initialised) {
        Pa_Terminate();
        m_initialised = false;
    }
    m_rate = 0;
}

} // namespace vexalo

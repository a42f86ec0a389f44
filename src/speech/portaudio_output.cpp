#include "portaudio_output.h"

#include "logging.h"

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
                   const PaStreamCallbackTimeInfo *, PaStreamCallbackFlags, void *self)
{
    return static_cast<PortAudioOutput *>(self)->fill(static_cast<std::int16_t *>(output), frames);
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

// Room for a second and a half at 44.1 kHz; longer clips are written in pieces as it empties.
constexpr std::size_t kRingFrames = 1 << 16;

// How long the audio thread may take nothing before the device is given up for lost. A sound
// server that idles can hold a stream that (re)starts for up to two seconds.
constexpr auto kStallLimit = std::chrono::seconds(3);

} // namespace

PortAudioOutput::PortAudioOutput(OutputOptions options) : m_options(options) { }

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
    // PortAudio lists devices only when initialised: starting afresh each time lets a card
    // that was plugged in since the last attempt be found.
    PaError error = Pa_Initialize();
    if (error != paNoError) {
        return error;
    }
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    PaStream *stream = nullptr;
    double rate = preferredRate;
    error = device == paNoDevice ? paDeviceUnavailable
                                 : openOutput(&stream, device, rate, m_options.latency, this);
    if (error == paInvalidSampleRate) {
        rate = Pa_GetDeviceInfo(device)->defaultSampleRate;
        error = openOutput(&stream, device, rate, m_options.latency, this);
    }
    if (error == paNoError) {
        m_rate = static_cast<int>(rate);
        m_deviceFrames = static_cast<long>(Pa_GetStreamInfo(stream)->outputLatency * m_rate);
        m_keepFedFrames = static_cast<long>(m_options.keepFed.count() * m_rate / 1000);
        m_primeFrames
            = std::max(m_deviceFrames, static_cast<long>(m_options.prime.count() * m_rate / 1000));
        m_idleFrames = 0;
        m_idleStopped = false;
        error = Pa_StartStream(stream);
        if (error != paNoError) {
            Pa_CloseStream(stream);
        }
    }
    if (error != paNoError) {
        Pa_Terminate();
        m_rate = 0;
        return error;
    }
    m_initialised = true;
    m_stream = stream;
    return paNoError;
}

int PortAudioOutput::fill(std::int16_t *out, unsigned long frames)
{
    const std::uint64_t written = m_written.load(std::memory_order_acquire);
    std::uint64_t read = m_read.load(std::memory_order_relaxed);
    unsigned long filled = 0;
    // A stream just started may lose its first milliseconds to the sound stack: let that be
    // silence rather than the start of a word.
    while (filled < frames && m_primeFrames > 0) {
        out[filled++] = 0;
        --m_primeFrames;
    }
    const auto taken
        = static_cast<unsigned long>(std::min<std::uint64_t>(frames - filled, written - read));
    for (unsigned long i = 0; i < taken; ++i) {
        out[filled++] = m_ring[(read + i) % kRingFrames];
    }
    std::fill(out + filled, out + frames, std::int16_t { 0 });
    m_read.store(read + taken, std::memory_order_release);

    m_idleFrames = taken > 0 ? 0 : m_idleFrames + static_cast<long>(frames);
    if (m_idleFrames < m_keepFedFrames) {
        return paContinue;
    }
    m_idleStopped.store(true, std::memory_order_release);
    return paComplete;
}

long PortAudioOutput::ringQueued() const
{
    return static_cast<long>(m_written.load(std::memory_order_relaxed)
                             - m_read.load(std::memory_order_acquire));
}

bool PortAudioOutput::running()
{
    const PaError active = Pa_IsStreamActive(m_stream);
    if (active == 1) {
        return true;
    }
    // Only a stream that stopped itself after the idle time is opened again. One that the
    // device stopped has failed, and restarting it can hang inside PortAudio for good.
    if (active == 0 && m_idleStopped.load(std::memory_order_acquire) && reopen()) {
        return true;
    }
    qCDebug(lcSpeech, "audio: the stream stopped and cannot be restarted");
    abandon();
    return false;
}

bool PortAudioOutput::reopen()
{
    // PortAudio afresh, as at the first clip, rather than a restart of the old stream: on a
    // sound server a restarted or merely reopened stream threw away, or garbled, the first few
    // hundred milliseconds written to it.
    const StderrMuted muted;
    Pa_StopStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
    Pa_Terminate();
    m_initialised = false;
    // The ring is kept: what was written since the stream stopped is still to be played.
    const int rate = m_rate;
    return start(rate) == paNoError && m_rate == rate;
}

bool PortAudioOutput::write(std::span<const std::int16_t> frames)
{
    if (!m_stream || !running()) {
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
        if (!running()) {
            return false;
        }
        Pa_Sleep(static_cast<long>(kRingFrames / 4 * 1000 / m_rate));
    }
    return true;
}

void PortAudioOutput::drainTo(long frames)
{
    if (!m_stream) {
        return;
    }
    // What waits to be heard is the ring plus what the device holds beyond it.
    auto lastRead = m_read.load(std::memory_order_acquire);
    auto lastProgress = std::chrono::steady_clock::now();
    const long ringTarget = std::max(0L, frames - m_deviceFrames);
    for (long queued = ringQueued(); queued > ringTarget; queued = ringQueued()) {
        const auto read = m_read.load(std::memory_order_acquire);
        const auto now = std::chrono::steady_clock::now();
        if (read != lastRead) {
            lastRead = read;
            lastProgress = now;
        } else if (now - lastProgress > kStallLimit) {
            // A device that stops consuming must not hang the program.
            return;
        }
        if (!running()) {
            return;
        }
        // Short naps: a stream that reached its idle time just before this write is restarted
        // at the next look, not after the whole clip's time.
        Pa_Sleep(std::clamp((queued - ringTarget) * 1000 / m_rate, 1L,
                            static_cast<long>(m_options.latency.count())));
    }
    if (frames < m_deviceFrames) {
        Pa_Sleep((m_deviceFrames - frames) * 1000 / m_rate);
    }
}

void PortAudioOutput::close()
{
    if (!m_stream && !m_initialised) {
        return;
    }
    if (m_stream) {
        drainTo(0);
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
}

void PortAudioOutput::abandon()
{
    const StderrMuted muted;
    if (m_stream) {
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    Pa_Terminate();
    m_initialised = false;
    m_rate = 0;
}

} // namespace vexalo

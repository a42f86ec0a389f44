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

PaError openOutput(PaStream **stream, PaDeviceIndex device, double rate)
{
    const PaDeviceInfo *info = Pa_GetDeviceInfo(device);
    PaStreamParameters parameters {};
    parameters.device = device;
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    // The high-latency buffer gives the most room between one blocking write and the next.
    parameters.suggestedLatency = info ? info->defaultHighOutputLatency : 0.1;
    return Pa_OpenStream(stream, nullptr, &parameters, rate, paFramesPerBufferUnspecified, paNoFlag,
                         nullptr, nullptr);
}

} // namespace

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
    error = device == paNoDevice ? paDeviceUnavailable : openOutput(&stream, device, rate);
    if (error == paInvalidSampleRate) {
        rate = Pa_GetDeviceInfo(device)->defaultSampleRate;
        error = openOutput(&stream, device, rate);
    }
    if (error == paNoError) {
        error = Pa_StartStream(stream);
        if (error != paNoError) {
            Pa_CloseStream(stream);
        }
    }
    if (error != paNoError) {
        Pa_Terminate();
        return error;
    }

    m_initialised = true;
    m_stream = stream;
    m_rate = static_cast<int>(rate);
    // On a started, empty stream everything is writable: that is the size of the queue.
    m_capacity = Pa_GetStreamWriteAvailable(stream);
    if (m_capacity <= 0) {
        const PaStreamInfo *info = Pa_GetStreamInfo(stream);
        m_capacity = std::max(1L, static_cast<long>(info->outputLatency * m_rate));
    }
    return paNoError;
}

bool PortAudioOutput::write(std::span<const std::int16_t> frames)
{
    if (!m_stream) {
        return false;
    }
    if (frames.empty()) {
        return true;
    }
    // An underflow only says the device ran dry between announcements, which it may.
    const PaError error = Pa_WriteStream(m_stream, frames.data(), frames.size());
    if (error != paNoError && error != paOutputUnderflowed) {
        qCDebug(lcSpeech, "audio: write failed: %s", Pa_GetErrorText(error));
        abandon();
        return false;
    }
    return true;
}

void PortAudioOutput::drainTo(long frames)
{
    if (!m_stream) {
        return;
    }
    // A device that stops consuming must not hang the program: give up after the time the
    // whole queue takes to play, plus a second.
    const auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(m_capacity * 1000 / m_rate + 1000);
    for (;;) {
        const long writable = Pa_GetStreamWriteAvailable(m_stream);
        if (writable < 0) {
            return;
        }
        const long queued = m_capacity - writable;
        if (queued <= frames || std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        Pa_Sleep(std::max(1L, (queued - frames) * 1000 / m_rate));
    }
}

void PortAudioOutput::close()
{
    if (!m_stream && !m_initialised) {
        return;
    }
    const StderrMuted muted;
    if (m_stream) {
        Pa_StopStream(m_stream); // plays out what is queued
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
    Pa_AbortStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
    Pa_Terminate();
    m_initialised = false;
    m_rate = 0;
}

} // namespace vexalo

#include "output_clip_sink.h"

#include "cues.h"
#include "generated_sound.h"
#include "portaudio_output.h"

namespace vexalo {

namespace {

// A tick is short and nothing follows it, so its stream may hold less ahead of it; a stream
// that underruns on a busy machine costs a tick, never a word.
OutputOptions promptOptions()
{
    OutputOptions options;
    options.latency = std::chrono::milliseconds(15);
    // Fed from the first tick of a turn of the knob through its pauses, so that the stream
    // is started, and warmed up, about once a turn.
    options.keepFed = std::chrono::seconds(3);
    options.holdsLibraryIdle = false;
    return options;
}

} // namespace

OutputClipSink::OutputClipSink()
    : OutputClipSink(std::make_unique<PortAudioOutput>(), {},
                     std::make_unique<PortAudioOutput>(promptOptions()))
{
}

OutputClipSink::OutputClipSink(std::unique_ptr<AudioOutput> output, ClipSinkOptions options,
                               std::unique_ptr<AudioOutput> prompt)
    : m_output(std::move(output)), m_options(std::move(options)), m_prompt(std::move(prompt))
{
}

OutputClipSink::~OutputClipSink()
{
    if (m_prompt) {
        m_prompt->close();
    }
    if (m_rate > 0) {
        m_output->close();
    }
}

void OutputClipSink::playClip(std::string_view name)
{
    if (isTick(name) && deviceReady() && m_output->quiet() && playPrompt(name)) {
        return;
    }
    startClip(name);
    awaitClip(kWholeWait);
}

void OutputClipSink::startClip(std::string_view name)
{
    if (!deviceReady()) {
        return;
    }
    const Frames *frames = clipFrames(name);
    write(frames ? *frames : m_beep);
}

bool OutputClipSink::awaitClip(std::chrono::milliseconds limit)
{
    return m_rate <= 0 || m_output->drainTo(tailFrames(), limit);
}

void OutputClipSink::stop()
{
    if (m_rate > 0) {
        m_output->stop();
    }
}

void OutputClipSink::playMissing(std::string_view)
{
    if (deviceReady()) {
        play(m_beep);
    }
}

void OutputClipSink::playSilence(std::chrono::milliseconds length)
{
    if (length.count() > 0 && deviceReady()) {
        play(Frames(static_cast<std::size_t>(length.count() * m_rate / 1000)));
    }
}

void OutputClipSink::drain()
{
    if (m_rate > 0) {
        m_output->drainTo(0, kWholeWait);
    }
}

void OutputClipSink::setTone(double hertz)
{
    if (hertz > 0 ? deviceReady() : m_rate > 0) {
        m_output->setTone(hertz);
    }
}

std::size_t OutputClipSink::cachedBytes() const
{
    std::size_t bytes = 0;
    for (const auto &[name, frames] : m_cache) {
        bytes += name.capacity() + frames.capacity() * sizeof(Frames::value_type);
    }
    return bytes;
}

bool OutputClipSink::deviceReady()
{
    if (m_rate > 0) {
        return true;
    }
    if (recently(m_lastAttempt)) {
        return false;
    }
    m_lastAttempt = std::chrono::steady_clock::now();
    const int rate = m_output->open(kClipRate);
    if (rate <= 0) {
        return false;
    }
    if (rate != m_cacheRate) {
        // A new device may play at another rate than the clips were converted for.
        m_cache.clear();
        m_beep = makeBeep(rate);
        m_cacheRate = rate;
    }
    m_rate = rate;
    return true;
}

const Frames *OutputClipSink::clipFrames(std::string_view name)
{
    // The seam promises valid names only; checking again keeps any other text out of paths.
    if (!isValidClipName(name)) {
        return nullptr;
    }
    if (const auto cached = m_cache.find(name); cached != m_cache.end()) {
        return &cached->second;
    }
    // A cue is made here, already soft at its edges, and never read from the folder. A failed
    // decode is not remembered, so a clip added to the folder later is found.
    auto frames = generatedSound(name, m_rate);
    if (!frames) {
        frames = decodeClip(m_options.folder / (std::string(name) + ".wav"), m_rate);
        if (!frames) {
            return nullptr;
        }
        softenLoudEdges(*frames, m_rate);
    }
    return &m_cache.emplace(std::string(name), std::move(*frames)).first->second;
}

void OutputClipSink::play(const Frames &frames)
{
    if (write(frames)) {
        m_output->drainTo(tailFrames(), kWholeWait);
    }
}

bool OutputClipSink::playPrompt(std::string_view name)
{
    if (!m_prompt || recently(m_promptFailed)) {
        return false;
    }
    // Opened at every tick: after its idle time the prompt output has let go of the device.
    const Frames *frames = clipFrames(name);
    const bool open = frames && m_prompt->open(m_rate) == m_rate;
    // A stream just started on a sound server can throw away what it is given at first: when
    // the first tick started it, ticks 300 ms apart went unheard for most of a second. So it is
    // started with silence, and takes the ticks once it has run kPromptWarmUp.
    const bool warm = open && m_prompt->runningFor() >= kPromptWarmUp;
    if (open && m_prompt->write(warm ? *frames : Frames {})) {
        if (warm) {
            m_prompt->drainTo(tailFrames(), kWholeWait);
        }
        return warm;
    }
    // Another rate, or no second stream on this device: the first output plays the ticks.
    m_prompt->close();
    m_promptFailed = std::chrono::steady_clock::now();
    return false;
}

bool OutputClipSink::recently(
    const std::optional<std::chrono::steady_clock::time_point> &when) const
{
    return when && std::chrono::steady_clock::now() - *when < m_options.reopenInterval;
}

bool OutputClipSink::write(const Frames &frames)
{
    if (m_output->write(frames)) {
        return true;
    }
    // The device went away; stay silent until the next attempt to open one.
    m_rate = 0;
    m_lastAttempt = std::chrono::steady_clock::now();
    return false;
}

} // namespace vexalo

// audio_bench: figures for the clip player on the recorded voice. How soon a clip starts when
// it is kept and when it is read from disk, how much silence creeps in between the clips of an
// announcement on a device that plays in real time (must be none), what the whole voice takes
// in memory, and what the sound card of this machine costs, present or not.
//   audio_bench [SOUND_FOLDER]    (default: the build's ZSsounds; `--target voice` makes it)
// With --device it plays tone clips of known length on the default device instead and prints
// one "probe" line per clip, for scripts/bench to set against a recording of the device:
//   audio_bench --device first-clip ROUNDS [LATENCY [KEEP_FED]]
//                                            time in playClip, stream kept fed and restarted
//   audio_bench --device onset ROUNDS [...]  announcements of tones after idle gaps
//   audio_bench --device cpu 0 [...]         CPU per second while kept fed and once stopped
//   audio_bench --device tone ROUNDS [...]   CPU per second while the S-meter tone plays, and
//                                            one "tone HERTZ set T" line per change of pitch
// Optional last arguments set the latency asked of the device and how long the stream is kept
// fed, in milliseconds.
#include "output_clip_sink.h"
#include "portaudio_output.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vexalo;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Plays instantly and notes when the first frames of each clip arrived.
class InstantOutput : public AudioOutput {
public:
    int open(int rate) override { return rate; }
    bool write(std::span<const std::int16_t>) override
    {
        if (!firstWrite) {
            firstWrite = Clock::now();
        }
        return true;
    }
    bool drainTo(long, std::chrono::milliseconds) override { return true; }
    bool quiet() const override { return true; }
    std::chrono::milliseconds runningFor() const override { return std::chrono::hours(1); }
    void stop() override { }
    void close() override { }

    std::optional<Clock::time_point> firstWrite;
};

// Plays at the real rate from a queue of limited size, like a sound card: writes block while
// the queue is full, and a queue that runs dry within an announcement plays silence, counted.
class PacedOutput : public AudioOutput {
public:
    explicit PacedOutput(std::chrono::milliseconds queue) : m_queueTime(queue) { }

    int open(int rate) override
    {
        m_rate = rate;
        m_capacity = static_cast<long>(m_queueTime.count() * rate / 1000);
        m_last = Clock::now();
        return rate;
    }

    bool write(std::span<const std::int16_t> frames) override
    {
        settle();
        m_inAnnouncement = true;
        auto left = static_cast<long>(frames.size());
        while (left > 0) {
            const long room = m_capacity - static_cast<long>(m_queued);
            if (room <= 0) {
                wait(1 - room);
                settle();
                continue;
            }
            const long taken = std::min(room, left);
            m_queued += static_cast<double>(taken);
            left -= taken;
        }
        return true;
    }

    bool drainTo(long frames, std::chrono::milliseconds) override
    {
        for (settle(); m_queued > static_cast<double>(frames); settle()) {
            wait(static_cast<long>(m_queued) - frames);
        }
        queuedAtReturn.push_back(static_cast<long>(m_queued));
        return true;
    }

    bool quiet() const override { return m_queued <= 0; }
    std::chrono::milliseconds runningFor() const override { return std::chrono::hours(1); }

    void stop() override { m_queued = 0; }

    void close() override { drainTo(0, kWholeWait); }

    void beginAnnouncement()
    {
        settle();
        m_inAnnouncement = false;
        silence = 0;
        queuedAtReturn.clear();
    }

    double silence = 0; // frames of silence played inside the current announcement
    std::vector<long> queuedAtReturn;

private:
    void settle()
    {
        const auto now = Clock::now();
        m_queued -= std::chrono::duration<double>(now - m_last).count() * m_rate;
        m_last = now;
        if (m_queued < 0) {
            if (m_inAnnouncement) {
                silence += -m_queued;
            }
            m_queued = 0;
        }
    }

    void wait(long frames) const
    {
        std::this_thread::sleep_for(std::chrono::duration<double>(double(frames) / m_rate));
    }

    std::chrono::milliseconds m_queueTime;
    int m_rate = 0;
    long m_capacity = 0;
    double m_queued = 0;
    bool m_inAnnouncement = false;
    Clock::time_point m_last;
};

long residentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

struct Stats {
    double mean, median, max;
};

Stats stats(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return { std::accumulate(values.begin(), values.end(), 0.0) / values.size(),
             values[values.size() / 2], values.back() };
}

void clipStart(const fs::path &folder, const std::vector<std::string> &names)
{
    auto output = std::make_unique<InstantOutput>();
    InstantOutput &device = *output;
    OutputClipSink sink(std::move(output), { .folder = folder });
    std::printf("clip start (call to first frame at the device), %zu clips:\n", names.size());
    for (const char *round : { "miss (read and decoded)", "hit (kept)" }) {
        std::vector<double> starts;
        for (const auto &name : names) {
            device.firstWrite.reset();
            const auto begin = Clock::now();
            sink.playClip(name);
            starts.push_back(microseconds(*device.firstWrite - begin));
        }
        const Stats s = stats(starts);
        std::printf("  cache %-24s mean %8.1f us  median %8.1f us  max %8.1f us\n", round, s.mean,
                    s.median, s.max);
    }
}

void gaps(const fs::path &folder)
{
    const std::vector<std::string> announcement { "14", "0", "2", "5", "pt", "0", "0", "a" };
    std::printf("announcement \"14 0 2 5 pt 0 0 a\" on a real-time device with a 100 ms queue\n"
                "(silence between clips must be 0 with the tail):\n");
    // The last row returns only when the device is empty, to show what the tail is for.
    const struct {
        const char *round;
        std::chrono::milliseconds tail;
        int times;
    } rounds[] = { { "first (cache misses)", ClipSinkOptions {}.tail, 1 },
                   { "again (cache hits)", ClipSinkOptions {}.tail, 2 },
                   { "no tail (cache hits)", std::chrono::milliseconds(0), 2 } };
    for (const auto &round : rounds) {
        auto output = std::make_unique<PacedOutput>(std::chrono::milliseconds(100));
        PacedOutput &device = *output;
        OutputClipSink sink(std::move(output), { .folder = folder, .tail = round.tail });
        for (int time = 0; time < round.times; ++time) {
            device.beginAnnouncement();
            const auto begin = Clock::now();
            for (const auto &clip : announcement) {
                sink.playClip(clip);
            }
            if (time + 1 < round.times) {
                continue;
            }
            const auto took = Clock::now() - begin;
            const long tail
                = *std::max_element(device.queuedAtReturn.begin(), device.queuedAtReturn.end());
            std::printf("  %-22s silence between clips %5.0f frames  took %6.3f s  "
                        "most left queued at return %ld frames (%.1f ms)\n",
                        round.round, device.silence, std::chrono::duration<double>(took).count(),
                        tail, tail * 1000.0 / kClipRate);
        }
    }
}

void memory(const fs::path &folder, const std::vector<std::string> &names)
{
    const long before = residentBytes();
    OutputClipSink sink(std::make_unique<InstantOutput>(), { .folder = folder });
    for (const auto &name : names) {
        sink.playClip(name);
    }
    std::printf("memory of the cached voice: %zu clips, %.2f MB of frames (%.1f KB a clip), "
                "resident set grew %.2f MB\n",
                sink.cachedClips(), sink.cachedBytes() / 1e6,
                sink.cachedBytes() / 1e3 / names.size(), (residentBytes() - before) / 1e6);
}

void soundCard(const fs::path &folder)
{
    auto begin = Clock::now();
    OutputClipSink sink(std::make_unique<PortAudioOutput>(), { .folder = folder });
    std::printf("this machine's sound card: construction %.1f us",
                microseconds(Clock::now() - begin));
    begin = Clock::now();
    sink.playClip("pt");
    std::printf(", first clip (opens the device) %.1f ms",
                microseconds(Clock::now() - begin) / 1000);
    begin = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        sink.playClip("0");
    }
    std::printf(", then %.3f us a clip\n", microseconds(Clock::now() - begin) / 1000);
}

// Tone clips whose edges are loud, so the player fades them, as it would a clip cut short.
struct Probe {
    const char *name;
    int milliseconds;
};
constexpr Probe kProbes[] = { { "probe_short", 250 }, { "probe_long", 400 } };

void writeProbes(const fs::path &folder)
{
    for (const Probe &probe : kProbes) {
        const int frames = kClipRate * probe.milliseconds / 1000;
        // A square-ish wave of 1 kHz at half scale: its level is the same from the first frame.
        std::string data;
        for (int i = 0; i < frames; ++i) {
            const std::int16_t value = (i * 1000 / kClipRate) % 2 == 0 ? 16000 : -16000;
            data.push_back(static_cast<char>(value & 0xff));
            data.push_back(static_cast<char>((value >> 8) & 0xff));
        }
        const auto u32 = [](std::uint32_t v) {
            return std::string { static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                                 static_cast<char>((v >> 16) & 0xff),
                                 static_cast<char>((v >> 24) & 0xff) };
        };
        const auto u16 = [](std::uint16_t v) {
            return std::string { static_cast<char>(v & 0xff), static_cast<char>(v >> 8) };
        };
        std::ofstream(folder / (std::string(probe.name) + ".wav"), std::ios::binary)
            << "RIFF" << u32(36 + static_cast<std::uint32_t>(data.size())) << "WAVEfmt " << u32(16)
            << u16(1) << u16(1) << u32(kClipRate) << u32(kClipRate * 2) << u16(2) << u16(16)
            << "data" << u32(static_cast<std::uint32_t>(data.size())) << data;
    }
}

double cpuMilliseconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Idles as the program does: in the event loop, where the player closes a stream that stopped.
void idle(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One line per clip: when playClip was called (wall clock), how long it took, the clip's
// length, its place in the announcement and the idle time before the announcement.
int device(const std::string &what, int rounds, OutputOptions output)
{
    const fs::path folder
        = fs::temp_directory_path() / ("vexalo-probes-" + std::to_string(getpid()));
    fs::create_directories(folder);
    writeProbes(folder);
    {
        OutputClipSink sink(std::make_unique<PortAudioOutput>(output), { .folder = folder });
        std::printf("output latency_ms %lld keep_fed_ms %lld\n",
                    static_cast<long long>(output.latency.count()),
                    static_cast<long long>(output.keepFed.count()));
        // Idle gaps shorter and longer than the time the stream is kept fed.
        const double keepFed = output.keepFed.count() / 1000.0;
        const std::vector<double> gaps = what == "onset"
            ? std::vector<double> { 0.3, keepFed + 0.5, keepFed + 2 }
            : std::vector<double> { keepFed / 2, keepFed + 1 };
        sink.playClip("probe_short"); // opens the device
        if (what == "cpu") {
            // What the process spends while the stream is kept fed, and once it has been closed.
            const auto perSecond = [](double seconds) {
                const double before = cpuMilliseconds();
                idle(seconds);
                return (cpuMilliseconds() - before) / seconds;
            };
            const double fed = perSecond(keepFed * 0.8);
            idle(keepFed * 1.2 + 0.5);
            const double stopped = perSecond(10);
            std::printf("cpu fed_ms_per_s %.2f stopped_ms_per_s %.2f\n", fed, stopped);
            rounds = 0;
        }
        if (what == "tone") {
            sink.setTone(400);
            idle(1);
            const double before = cpuMilliseconds();
            idle(5);
            std::printf("cpu tone_ms_per_s %.2f\n", (cpuMilliseconds() - before) / 5);
            // From S0 to the top and back: the longest glides there are.
            for (int round = 0; round < rounds; ++round) {
                for (const double hertz : { 1600.0, 400.0 }) {
                    std::printf("tone %.0f set %.6f\n", hertz, wallSeconds());
                    std::fflush(stdout);
                    sink.setTone(hertz);
                    idle(0.6);
                }
            }
            sink.setTone(0);
            rounds = 0;
        }
        for (int round = 0; round < rounds; ++round) {
            for (const double gap : gaps) {
                idle(gap);
                int place = 0;
                for (const char *clip : { "probe_long", "probe_short", "probe_long" }) {
                    const double called = wallSeconds();
                    const auto begin = Clock::now();
                    sink.playClip(clip);
                    const double took = std::chrono::duration<double>(Clock::now() - begin).count();
                    const int ms = std::string(clip) == "probe_long" ? 400 : 250;
                    std::printf("probe %s called %.6f took %.6f length %.3f place %d gap %.1f\n",
                                clip, called, took, ms / 1000.0, place++, gap);
                    std::fflush(stdout);
                }
            }
        }
    }
    fs::remove_all(folder);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && argc <= 6 && std::string(argv[1]) == "--device") {
        const QCoreApplication application(argc, argv);
        OutputOptions output;
        std::chrono::milliseconds *const settings[] = { &output.latency, &output.keepFed };
        for (int i = 4; i < argc; ++i) {
            *settings[i - 4] = std::chrono::milliseconds(std::atoi(argv[i]));
        }
        return device(argv[2], std::atoi(argv[3]), output);
    }
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(VEXALO_VOICE_DIR);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".wav") {
            names.push_back(entry.path().stem().string());
        }
    }
    if (names.empty()) {
        std::printf("no clips in %s: record them with `cmake --build build --target voice`\n",
                    folder.c_str());
        return 1;
    }
    std::sort(names.begin(), names.end());

    memory(folder, names);
    clipStart(folder, names);
    gaps(folder);
    soundCard(folder);
    return 0;
}

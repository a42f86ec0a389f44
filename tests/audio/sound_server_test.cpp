// The product's sink against a real sound server: a private PulseAudio with a null sink, reached
// through ALSA's pulse plug-in as on a desktop, with no sound card. What the server lists is read
// with pactl, and what reaches the sink is recorded from its monitor with parec.
#include "clip_files.h"
#include "output_clip_sink.h"
#include "portaudio_output.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>

extern char **environ;

namespace vexalo::testing {
namespace {

using namespace std::chrono_literals;

bool onPath(const std::string &program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process; its standard output goes to a file when one is named.
class Child {
public:
    Child(const std::vector<std::string> &args, const fs::path &output = "/dev/null")
    {
        std::vector<char *> argv;
        for (const auto &arg : args) {
            argv.push_back(const_cast<char *>(arg.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { stop(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    void stop(int signal = SIGTERM)
    {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
};

std::string run(const std::string &command)
{
    std::string output;
    if (FILE *pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return output;
}

// PulseAudio of the test's own. This process reaches it through ALSA, as the program does on
// a desktop; the server can be stopped and started again on the same socket.
class PrivatePulseAudio {
public:
    PrivatePulseAudio()
    {
        const fs::path config = m_folder.path() / "asound.conf";
        std::ofstream(config) << "</usr/share/alsa/alsa.conf>\npcm.!default { type pulse }\n"
                                 "ctl.!default { type pulse }\n";
        ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        ::setenv("PULSE_SERVER", ("unix:" + socket().string()).c_str(), 1);
    }

    fs::path socket() const { return m_folder.path() / "pulse.sock"; }

    // Starts the server and records what reaches its sink into the file. Listening at a low
    // latency also keeps the null sink at one, as a sound card would be; alone, it holds a new
    // stream for up to two seconds.
    bool start(const fs::path &recording)
    {
        const fs::path home = m_folder.path();
        ::setenv("PULSE_RUNTIME_PATH", (home / "runtime").c_str(), 1);
        ::setenv("PULSE_STATE_PATH", (home / "state").c_str(), 1);
        m_server = std::make_unique<Child>(std::vector<std::string> {
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
            "module-null-sink sink_name=nullsink", "-L",
            "module-native-protocol-unix socket=" + socket().string() + " auth-anonymous=1" });
        for (int i = 0; i < 100; ++i) {
            if (std::system("pactl info >/dev/null 2>&1") == 0) {
                m_recorder = std::make_unique<Child>(
                    std::vector<std::string> { "parec", "--device=nullsink.monitor",
                                               "--format=s16le", "--channels=1", "--rate=22050",
                                               "--latency-msec=5", "--raw" },
                    recording);
                std::this_thread::sleep_for(300ms);
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Gone at once, as a server that crashed.
    void stop()
    {
        m_recorder.reset();
        if (m_server) {
            m_server->stop(SIGKILL);
            m_server.reset();
        }
    }
    ~PrivatePulseAudio() { stop(); }

    // The playing streams as pactl lists them: properties one "key = "value"" a line.
    std::string streams() const { return run("pactl list sink-inputs 2>/dev/null"); }

private:
    TempFolder m_folder;
    std::unique_ptr<Child> m_server;
    std::unique_ptr<Child> m_recorder;
};

// Milliseconds of the recording that are louder than -30 dBFS.
double loudMilliseconds(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long loud = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto value = static_cast<std::int16_t>(
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        loud += std::abs(value) > 1000 ? 1 : 0;
    }
    return loud * 1000.0 / 22050;
}

std::string property(const std::string &streams, const std::string &key)
{
    std::istringstream lines(streams);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(key + " = \"");
        if (at != std::string::npos) {
            const auto begin = at + key.size() + 4;
            return line.substr(begin, line.rfind('"') - begin);
        }
    }
    return "<none>";
}

class SoundServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!onPath("pulseaudio") || !onPath("pactl") || !onPath("parec")) {
            GTEST_SKIP() << "needs pulseaudio and pulseaudio-utils (scripts/setup-deps)";
        }
        ASSERT_TRUE(server.start(folder.path() / "heard.raw"));
        // A 300 ms square wave of 441 Hz at a quarter of full scale: loud from its first frame
        // to its last, but for the fades the player gives its loud edges.
        std::vector<std::int16_t> tone(22050 * 3 / 10);
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = (i / 25) % 2 == 0 ? 8000 : -8000;
        }
        writeWav(folder.path() / "ZSsounds" / "tone.wav", tone, 22050);
    }

    std::unique_ptr<OutputClipSink> makeSink()
    {
        OutputOptions output;
        output.keepFed = kKeepFed;
        ClipSinkOptions options;
        options.folder = folder.path() / "ZSsounds";
        options.reopenInterval = 0ms;
        return std::make_unique<OutputClipSink>(std::make_unique<PortAudioOutput>(output), options);
    }

    static constexpr std::chrono::milliseconds kKeepFed { 200 };
    static constexpr std::chrono::milliseconds kIdle = kKeepFed + 800ms; // the stream has stopped
    TempFolder folder;
    PrivatePulseAudio server;
};

TEST_F(SoundServer, ShowsTheStreamAsTheProgramAndKeepsPortAudioUpButNotTheStreamWhileIdle)
{
    int argc = 1;
    char name[] = "sound_server_test";
    char *argv[] = { name, nullptr };
    const QCoreApplication application(argc, argv);
    auto sink = makeSink();
    sink->playClip("tone");
    const std::string first = server.streams();
    QEventLoop idle;
    QTimer::singleShot(kIdle, &idle, &QEventLoop::quit);
    idle.exec();
    const std::string idling = server.streams();
    const std::string before = run("pactl info 2>/dev/null");
    sink->playClip("tone");
    const std::string again = server.streams();

    EXPECT_EQ(property(first, "application.name"), "Vexalo") << first;
    EXPECT_EQ(property(first, "application.icon_name"), "org.vexalo.Vexalo");
    EXPECT_EQ(property(first, "media.role"), "a11y");
    EXPECT_EQ(property(idling, "application.name"), "<none>") << idling;
    // PortAudio connects to the server for every device it probes when it starts; a stream
    // opened again is one connection, the next after pactl's own.
    const auto newest = [](const std::string &text, const std::string &label) {
        int number = -1;
        for (auto at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
            number = std::max(number, std::atoi(text.c_str() + at + label.size()));
        }
        return number;
    };
    EXPECT_EQ(newest(again, "Client: "), newest(before, "Client Index: ") + 1) << before << again;
}

TEST_F(SoundServer, EveryNewStreamPlaysItsFirstClipWhole)
{
    // A new stream that runs dry as it starts makes the server throw away what comes next for
    // a while: the first clip after a pause lost its first word (at 20 ms always, at 25 ms
    // beside a build). The product's own stream, on a machine as busy as it may be.
    const fs::path recording = folder.path() / "whole.raw";
    server.stop();
    ASSERT_TRUE(server.start(recording));
    auto sink = makeSink();
    for (int pause = 0; pause < 3; ++pause) {
        sink->playClip("tone");
        std::this_thread::sleep_for(kIdle);
    }
    sink.reset();
    server.stop();

    // Three tones of 300 ms, each faded over 5 ms at both ends. A dropped start cost 200 ms
    // and more; a busy machine may break up a few milliseconds elsewhere.
    const double heard = loudMilliseconds(recording);
    std::printf("[ figures  ] heard %.0f ms of 900\n", heard);
    EXPECT_GT(heard, 800);
}

// As where PipeWire's own ALSA plug-in is the default, which starts a stream later than the
// server's PulseAudio service: here the default leads nowhere, and only that service is heard.
TEST_F(SoundServer, TheServersPulseDeviceIsTakenWhenALSAsDefaultIsAnother)
{
    const fs::path config = folder.path() / "elsewhere.conf";
    // Not ALSA's own configuration, whose hook would make the running server the default.
    std::ofstream(config) << "pcm.!default { type null hint.show on }\n"
                             "pcm.pulse { type pulse hint.show on }\nctl.pulse { type pulse }\n";
    ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    const fs::path recording = folder.path() / "pulse.raw";
    server.stop();
    ASSERT_TRUE(server.start(recording));
    auto sink = makeSink();
    sink->playClip("tone");
    sink.reset(); // lets the clip play out
    server.stop();
    EXPECT_GT(loudMilliseconds(recording), 250);
}

TEST_F(SoundServer, AServerThatVanishesAndReturnsIsFoundAgainAtTheNextClip)
{
    const struct {
        const char *when;
        std::chrono::milliseconds before;
    } cases[] = {
        { "while the stream is kept fed", 0ms },
        { "while the stream idles", kIdle },
    };
    for (const auto &c : cases) {
        auto sink = makeSink();
        sink->playClip("tone");
        std::this_thread::sleep_for(c.before);
        server.stop();

        const auto begin = std::chrono::steady_clock::now();
        sink->playClip("tone");
        const auto silent = std::chrono::steady_clock::now() - begin;

        const fs::path recording = folder.path() / "back.raw";
        ASSERT_TRUE(server.start(recording)) << c.when;
        sink->playClip("tone");
        sink.reset(); // lets the clip play out
        std::this_thread::sleep_for(100ms);
        server.stop();

        // A device that takes nothing is given up after its limit (3 s). The clip after the
        // server is back is heard; the one said while it was gone is not, late, before it.
        EXPECT_LT(silent, 4s) << c.when;
        const double heard = loudMilliseconds(recording);
        EXPECT_GT(heard, 150) << c.when;
        EXPECT_LT(heard, 450) << c.when;
        ASSERT_TRUE(server.start(folder.path() / "heard.raw"));
    }
}

} // namespace
} // namespace vexalo::testing

// Runs the built q7sim as a separate process and talks to it as the program does: through its
// link, in raw mode, with bounded waits. Its log comes back over a pipe, so tests wait for
// what the simulator says it did instead of sleeping.
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace q7sim::testing {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

inline int msLeft(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

// Appends what is waiting on fd; false at end of file.
inline bool drain(int fd, std::string &into)
{
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
    }
    return n > 0 || (n < 0 && errno == EAGAIN);
}

// A directory for a test's own files, removed with it.
struct TempDir {
    TempDir() : path((std::filesystem::temp_directory_path() / "q7sim-test-XXXXXX").string())
    {
        if (!::mkdtemp(path.data())) {
            path.clear();
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string write(const std::string &name, const std::string &text) const
    {
        std::ofstream(path + "/" + name) << text;
        return path + "/" + name;
    }

    std::string path;
};

class Sim {
    TempDir m_dir; // first: the link path is made from it

public:
    // Adds "--link <dir>/com1 --log -" unless ownLink is false, and waits until it is ready.
    explicit Sim(Texts args, bool ownLink = true) : link(m_dir.path + "/com1")
    {
        args.insert(args.begin(), Q7SIM_PATH);
        if (ownLink) {
            args.insert(args.end(), { "--link", link, "--log", "-" });
        }
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            std::vector<char *> argv;
            for (auto &a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
        ::fcntl(m_out, F_SETFL, O_NONBLOCK);
        ::fcntl(m_err, F_SETFL, O_NONBLOCK);
        const auto deadline = Clock::now() + 5s;
        while (errors.find("ready on") == std::string::npos && pump(msLeft(deadline))) { }
        ready = errors.find("ready on") != std::string::npos;
    }
    ~Sim()
    {
        stop(SIGKILL);
        ::close(m_out);
        ::close(m_err);
    }

    // True once a log line containing `needle` has arrived.
    bool waitForLog(std::string_view needle, std::chrono::milliseconds timeout = 3s)
    {
        const auto deadline = Clock::now() + timeout;
        for (std::size_t checked = 0;;) {
            for (; checked < log.size(); ++checked) {
                if (log[checked].find(needle) != std::string::npos) {
                    return true;
                }
            }
            if (Clock::now() >= deadline || !pump(msLeft(deadline))) {
                return false;
            }
        }
    }

    // The exit status, or -1 if it did not exit in time or not normally.
    int waitExit(std::chrono::milliseconds timeout = 3s)
    {
        // Its standard error ends when it has exited.
        const auto deadline = Clock::now() + timeout;
        while (pump(msLeft(deadline))) { }
        int status = 0;
        const int flags = Clock::now() < deadline ? 0 : WNOHANG;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, flags) != m_pid) {
            return -1;
        }
        m_pid = -1;
        // Everything it wrote is in the pipe now, up to the end of file.
        for (char buffer[4096]; const ssize_t n = ::read(m_out, buffer, sizeof buffer);) {
            if (n < 0) {
                break;
            }
            m_partial.append(buffer, static_cast<std::size_t>(n));
        }
        splitLog();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int stop(int signal)
    {
        if (m_pid <= 0) {
            return -1;
        }
        ::kill(m_pid, signal);
        const int status = waitExit();
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        return status;
    }

    bool ready = false;
    std::string link;
    std::string errors; // its standard error so far
    Texts log; // its log lines so far (standard output)

private:
    // Waits for output of either kind; false on a time-out or once standard error has ended.
    bool pump(int timeoutMs)
    {
        pollfd p[2] = { { m_out, POLLIN, 0 }, { m_err, POLLIN, 0 } };
        if (::poll(p, 2, timeoutMs) <= 0) {
            return false;
        }
        if (p[0].revents) {
            drain(m_out, m_partial);
            splitLog();
        }
        return !p[1].revents || drain(m_err, errors);
    }

    void splitLog()
    {
        for (auto nl = m_partial.find('\n'); nl != std::string::npos; nl = m_partial.find('\n')) {
            log.push_back(m_partial.substr(0, nl));
            m_partial.erase(0, nl + 1);
        }
    }

    int m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_partial;
};

class Port {
public:
    explicit Port(const std::string &path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios tio {};
        if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetspeed(&tio, B4800);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Port() { ::close(fd); }

    void write(std::string_view text)
    {
        for (ssize_t n = 0; !text.empty() && n >= 0;
             text.remove_prefix(static_cast<std::size_t>(n))) {
            n = ::write(fd, text.data(), text.size());
        }
    }

    // Reads until `count` replies (texts ending in ';') have come or the timeout passed.
    Texts replies(std::size_t count, std::chrono::milliseconds timeout = 3s)
    {
        const auto deadline = Clock::now() + timeout;
        Texts out;
        for (;;) {
            for (auto end = m_pending.find(';'); end != std::string::npos && out.size() < count;
                 end = m_pending.find(';')) {
                out.push_back(m_pending.substr(0, end + 1));
                m_pending.erase(0, end + 1);
            }
            pollfd p { fd, POLLIN, 0 };
            if (out.size() >= count || ::poll(&p, 1, msLeft(deadline)) <= 0) {
                return out;
            }
            drain(fd, m_pending);
        }
    }

    // Everything that arrives within the window, for checking that nothing does.
    std::string readFor(std::chrono::milliseconds window)
    {
        const auto deadline = Clock::now() + window;
        std::string out = std::exchange(m_pending, {});
        for (pollfd p { fd, POLLIN, 0 }; ::poll(&p, 1, msLeft(deadline)) > 0;) {
            drain(fd, out);
        }
        return out;
    }

    int fd = -1;

private:
    std::string m_pending;
};

} // namespace q7sim::testing

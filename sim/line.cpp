#include "line.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace q7sim {
namespace {

// Ten bits a character (start, eight data, stop) at 4800 baud.
constexpr std::chrono::nanoseconds characterTime { 10'000'000'000LL / 4800 };

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

Line::~Line()
{
    removeLink();
    for (const int fd : { m_watch, m_slave, m_master }) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool Line::open(const std::string &linkPath, std::string &error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    std::array<char, 128> name {};
    if (ptsname_r(m_master, name.data(), name.size()) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return false;
    }
    m_device = name.data();

    // Our own descriptor of the far end keeps the master from seeing a hang-up each time the
    // program closes the port; raw mode is what a serial line to a radio is.
    m_slave = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio {};
    if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0) {
        error = systemError("cannot open " + m_device);
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B4800);
    cfsetospeed(&tio, B4800);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::tcsetattr(m_slave, TCSANOW, &tio);

    // Opens and closes by others are counted from here on; ours came before the watch. Without
    // the watch everything is delivered, as if the port were always open.
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch >= 0 && inotify_add_watch(m_watch, m_device.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(m_watch);
        m_watch = -1;
    }

    if (!linkPath.empty()) {
        struct stat st { };
        if (::lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                error = linkPath + " exists and is not a symbolic link; not replacing it";
                return false;
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(m_device.c_str(), linkPath.c_str()) != 0) {
            error = systemError("cannot create the link " + linkPath);
            return false;
        }
        m_link = linkPath;
    }
    return true;
}

void Line::removeLink()
{
    if (m_link.empty()) {
        return;
    }
    // Only our own link: another simulator may have taken the name over since.
    std::array<char, PATH_MAX> target {};
    const ssize_t n = ::readlink(m_link.c_str(), target.data(), target.size() - 1);
    if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == m_device) {
        ::unlink(m_link.c_str());
    }
    m_link.clear();
}

std::string Line::read(Clock::time_point now)
{
    std::array<char, 512> buffer {};
    const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
    if (n > 0) {
        return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        m_quietUntil = now + std::chrono::milliseconds(50);
    }
    return {};
}

void Line::readWatch()
{
    alignas(inotify_event) std::array<char, 4096> buffer {};
    for (;;) {
        const ssize_t n = ::read(m_watch, buffer.data(), buffer.size());
        if (n <= 0) {
            break;
        }
        for (ssize_t i = 0; i < n;) {
            inotify_event event {};
            std::memcpy(&event, buffer.data() + i, sizeof event);
            if ((event.mask & IN_OPEN) && m_listeners++ == 0) {
                m_log.port("open");
            }
            // What the last program did not read would otherwise greet the next one; a closed
            // serial port keeps nothing. This runs after the close, so a program that reopens
            // at once may still see it: the log says when the port counts as closed.
            if ((event.mask & IN_CLOSE) && m_listeners > 0 && --m_listeners == 0) {
                ::tcflush(m_slave, TCIFLUSH);
                m_log.port("closed");
            }
            if (event.mask & IN_Q_OVERFLOW) {
                m_listeners = std::max(m_listeners, 1);
            }
            i += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

void Line::queue(std::string text, Clock::time_point due)
{
    // A client that floods the radio with queries while the line is paced would otherwise grow
    // the queue without bound; a real radio would drop them too.
    constexpr std::size_t maxQueued = 1000;
    if (!text.empty() && m_queue.size() < maxQueued) {
        m_queue.push_back({ std::move(text), due, std::nullopt, 0 });
    }
}

void Line::dropUnsent()
{
    const bool keepFirst = !m_queue.empty() && m_queue.front().start;
    m_queue.erase(m_queue.begin() + (keepFirst ? 1 : 0), m_queue.end());
}

void Line::flush(Clock::time_point now)
{
    m_blocked = false;
    while (!m_queue.empty()) {
        Pending &p = m_queue.front();
        if (!p.start) {
            const Clock::time_point start = m_paced ? std::max(p.due, m_lineFree) : p.due;
            if (now < start) {
                return;
            }
            p.start = start;
        }
        std::size_t target = p.text.size();
        if (m_paced) {
            const auto elapsed = (now - *p.start) / characterTime + 1;
            target = std::min(target, static_cast<std::size_t>(elapsed));
        }
        if (target > p.sent) {
            if (listening()) {
                const ssize_t n = ::write(m_master, p.text.data() + p.sent, target - p.sent);
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                    m_blocked = true;
                    return;
                }
                // Anything else (EIO and the like) means nobody can receive it: the text is
                // gone as it would be on a dead line.
                p.sent = n < 0 ? target : p.sent + static_cast<std::size_t>(n);
                if (p.sent < target) {
                    m_blocked = true;
                    return;
                }
            } else {
                p.sent = target;
            }
        }
        if (p.sent < p.text.size()) {
            return;
        }
        m_lineFree = m_paced ? *p.start + characterTime * static_cast<long>(p.text.size()) : now;
        m_log.reply(p.text);
        m_queue.pop_front();
    }
}

std::optional<Clock::time_point> Line::nextWake() const
{
    if (m_queue.empty() || m_blocked) {
        return std::nullopt;
    }
    const Pending &p = m_queue.front();
    if (!p.start) {
        return m_paced ? std::max(p.due, m_lineFree) : p.due;
    }
    return *p.start + characterTime * static_cast<long>(p.sent);
}

} // namespace q7sim

#include "pass_through_port.h"

#include "logging.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vexalo {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PassThroughPort::PassThroughPort(QString linkPath) : m_link(std::move(linkPath)) { }

PassThroughPort::~PassThroughPort()
{
    close();
    m_watched.reset();
    if (m_watch >= 0) {
        ::close(m_watch);
    }
    // Only our own link: another Vexalo may have taken the name over since.
    const QString target = QFile::symLinkTarget(m_link);
    if (!m_device.isEmpty() && target == m_device) {
        QFile::remove(m_link);
    }
}

bool PassThroughPort::open(QString &error)
{
    // One watch for the whole run: closing one waits for the kernel to retire its marks,
    // which takes a second or more on a busy machine, and a hang-up must not.
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0) {
        error = systemError("cannot watch the pseudo-terminal");
        return false;
    }
    m_watched = std::make_unique<QSocketNotifier>(m_watch, QSocketNotifier::Read);
    connect(m_watched.get(), &QSocketNotifier::activated, this, &PassThroughPort::readWatch);
    return make(QString(), error);
}

bool PassThroughPort::make(const QString &ours, QString &error)
{
    const QFileInfo existing(m_link);
    if (existing.exists() && !existing.isSymLink()) {
        error = QStringLiteral("%1 exists and is not a link; it is left as it is").arg(m_link);
        return false;
    }
    if (existing.isSymLink() && !ours.isEmpty() && existing.symLinkTarget() != ours) {
        error = QStringLiteral("%1 is no longer Vexalo's link; it is left as it is").arg(m_link);
        return false;
    }
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = systemError("cannot make a pseudo-terminal");
        close();
        return false;
    }
    std::array<char, 128> name {};
    if (ptsname_r(m_master, name.data(), name.size()) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        close();
        return false;
    }
    m_device = QString::fromLocal8Bit(name.data());
    m_far = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio {};
    // The operator's alone, whatever the system gives a new terminal (often 0620, group tty).
    if (m_far < 0 || ::tcgetattr(m_far, &tio) != 0 || ::fchmod(m_far, 0600) != 0) {
        error = systemError("cannot open the pseudo-terminal");
        close();
        return false;
    }
    cfsetispeed(&tio, B4800);
    cfsetospeed(&tio, B4800);
    tio.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(m_far, TCSANOW, &tio);
    keepRaw();

    // Opens after ours are the program's.
    m_lineWatch = inotify_add_watch(m_watch, name.data(), IN_OPEN | IN_CLOSE);
    if (m_lineWatch < 0) {
        error = systemError("cannot watch the pseudo-terminal");
        close();
        return false;
    }

    QFile::remove(m_link);
    if (!QFile::link(m_device, m_link)) {
        error = QStringLiteral("cannot make the link %1").arg(m_link);
        close();
        return false;
    }
    m_readable = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &PassThroughPort::readProgram);
    return true;
}

void PassThroughPort::close()
{
    m_readable.reset();
    if (m_lineWatch >= 0) {
        inotify_rm_watch(m_watch, m_lineWatch);
        m_lineWatch = -1;
    }
    for (int *fd : { &m_far, &m_master }) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void PassThroughPort::hangUp()
{
    if (m_hangingUp || m_master < 0) {
        return;
    }
    // Nothing more of this program's is read; the line is closed once the notifier that may be
    // calling us has returned, and made anew a while later: a program sent away for flooding
    // that opens the port again at once finds nothing to flood until then.
    m_hangingUp = true;
    m_readable->setEnabled(false);
    QMetaObject::invokeMethod(
        this,
        [this] {
            const bool hadProgram = m_openers > 0;
            m_openers = 0;
            close();
            // Until the line is made anew the link must not name the one just closed: the
            // system gives that name to the next pseudo-terminal anyone makes, perhaps another
            // program's line or a terminal, which a program opening the port would then reach.
            const QFileInfo link(m_link);
            if (link.isSymLink() && link.symLinkTarget() == m_device) {
                QFile::remove(m_link);
            }
            if (hadProgram) {
                emit programClosed();
            }
            QTimer::singleShot(kReopenPause, this, [this] {
                m_hangingUp = false;
                QString error;
                if (make(m_device, error)) {
                    qCInfo(lcShare).noquote() << "the pass-through port is made anew:" << m_device;
                } else {
                    qCWarning(lcShare) << "the pass-through port is gone:" << error;
                }
            });
        },
        Qt::QueuedConnection);
}

void PassThroughPort::keepRaw()
{
    // Raw, as a serial line to a radio is: nothing echoed, nothing translated. A program may
    // open the port in cooked mode or run "stty sane" on it; echo would then send Vexalo's
    // answers back to it as the program's commands.
    termios now {};
    if (m_far < 0 || ::tcgetattr(m_far, &now) != 0) {
        return;
    }
    termios raw = now;
    cfmakeraw(&raw);
    if (raw.c_iflag != now.c_iflag || raw.c_oflag != now.c_oflag || raw.c_lflag != now.c_lflag
        || raw.c_cflag != now.c_cflag || raw.c_cc[VMIN] != now.c_cc[VMIN]
        || raw.c_cc[VTIME] != now.c_cc[VTIME]) {
        ::tcsetattr(m_far, TCSANOW, &raw);
    }
}

bool PassThroughPort::write(std::string_view bytes)
{
    keepRaw();
    while (!bytes.empty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            qCDebug(lcShare, "pass-through port: %zu bytes not taken", bytes.size());
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void PassThroughPort::readProgram()
{
    std::array<char, kReadLimit> buffer {};
    ssize_t n = 0;
    do {
        n = ::read(m_master, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        emit received(QByteArray(buffer.data(), static_cast<qsizetype>(n)));
    }
}

void PassThroughPort::readWatch()
{
    // One read a wake-up, as for the program's bytes: a program opening and closing the port
    // without end holds nothing up.
    alignas(inotify_event) std::array<char, 4096> buffer {};
    const ssize_t n = ::read(m_watch, buffer.data(), buffer.size());
    for (ssize_t i = 0; i + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        inotify_event event {};
        std::memcpy(&event, buffer.data() + i, sizeof event);
        i += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        if (event.wd != m_lineWatch) {
            continue; // about a line hung up before
        }
        if (event.mask & IN_OPEN) {
            keepRaw();
            if (m_openers++ == 0) {
                emit programOpened();
            }
        }
        if ((event.mask & IN_CLOSE) && m_openers > 0 && --m_openers == 0) {
            // What it did not read must not greet the next program.
            ::tcflush(m_far, TCIFLUSH);
            emit programClosed();
        }
    }
}

} // namespace vexalo

#include "serial_line.h"

#include <windows.h>

#include <utility>

namespace vexalo {

namespace {

// At 4800 baud a character takes about 2 ms, a reply about 30 ms: looking every 5 ms hands a
// reply on within a few characters' time of its end.
constexpr int kPollMs = 5;
// How long a write may take: the longest command is on the line in 15 ms.
constexpr DWORD kWriteBoundMs = 200;

QString systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                                 : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return message;
}

} // namespace

SerialLine::SerialLine()
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (takeIn()) {
            emit readyRead();
        }
    });
}

SerialLine::~SerialLine()
{
    close();
}

bool SerialLine::open(QIODevice::OpenMode)
{
    if (isOpen()) {
        return false;
    }
    HANDLE handle
        = CreateFileW(reinterpret_cast<const wchar_t *>(m_name.utf16()),
                      GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setError(OpenError, systemMessage(GetLastError()));
        return false;
    }
    m_handle = handle;
    // Reads return at once with whatever is waiting; writes give up after their bound.
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteBoundMs;
    if (!SetCommTimeouts(handle, &timeouts) || !updateState()) {
        setError(OpenError, systemMessage(GetLastError()));
        close();
        return false;
    }
    m_arrived.clear();
    m_poll.start();
    return true;
}

void SerialLine::close()
{
    m_poll.stop();
    if (m_handle) {
        CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

bool SerialLine::setBaudRate(BaudRate rate)
{
    m_baud = rate;
    return updateState();
}

bool SerialLine::updateState()
{
    if (!isOpen()) {
        return true; // applied at open, as Qt SerialPort does
    }
    DCB state {};
    state.DCBlength = sizeof state;
    if (!GetCommState(m_handle, &state)) {
        setError(ConfigureError, systemMessage(GetLastError()));
        return false;
    }
    state.BaudRate = static_cast<DWORD>(m_baud);
    state.fBinary = TRUE;
    state.fParity = FALSE;
    state.Parity = NOPARITY;
    state.ByteSize = 8;
    state.StopBits = ONESTOPBIT;
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fDsrSensitivity = FALSE;
    state.fOutX = FALSE;
    state.fInX = FALSE;
    state.fNull = FALSE;
    state.fAbortOnError = FALSE;
    // DTR stays off: some radios key the transmitter on it.
    state.fDtrControl = DTR_CONTROL_DISABLE;
    state.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(m_handle, &state)) {
        setError(ConfigureError, systemMessage(GetLastError()));
        return false;
    }
    return true;
}

bool SerialLine::setRequestToSend(bool on)
{
    if (!isOpen() || !EscapeCommFunction(m_handle, on ? SETRTS : CLRRTS)) {
        setError(ConfigureError, systemMessage(GetLastError()));
        return false;
    }
    return true;
}

qint64 SerialLine::write(const char *data, qint64 size)
{
    if (!isOpen()) {
        return -1;
    }
    DWORD written = 0;
    if (!WriteFile(m_handle, data, static_cast<DWORD>(size), &written, nullptr)) {
        setError(WriteError, systemMessage(GetLastError()));
        emit errorOccurred(WriteError);
        return -1;
    }
    return static_cast<qint64>(written);
}

bool SerialLine::clear(Direction)
{
    return isOpen() && PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

bool SerialLine::takeIn()
{
    if (!isOpen()) {
        return false;
    }
    const qsizetype before = m_arrived.size();
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer, sizeof buffer, &got, nullptr)) {
            // The adapter was pulled or the driver gave up on the line.
            setError(ResourceError, systemMessage(GetLastError()));
            emit errorOccurred(ResourceError);
            break;
        }
        if (got == 0) {
            break;
        }
        m_arrived.append(buffer, static_cast<qsizetype>(got));
    }
    return m_arrived.size() > before;
}

bool SerialLine::waitForReadyRead(int)
{
    const bool arrived = takeIn();
    if (arrived) {
        emit readyRead();
    }
    return arrived;
}

QByteArray SerialLine::readAll()
{
    return std::exchange(m_arrived, {});
}

void SerialLine::setError(SerialPortError error, const QString &what)
{
    m_error = error;
    m_errorString = what;
}

} // namespace vexalo

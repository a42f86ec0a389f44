#include "serial_radio_port.h"

#include "logging.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vexalo {

std::optional<int> toPortNumber(const SettingValue &commPort)
{
    double number = 0;
    if (commPort.isNumber()) {
        number = commPort.number();
    } else if (commPort.isBool()) {
        number = commPort.flag() ? -1 : 0;
    } else if (commPort.isText()) {
        // Whatever the desktop's language: "2.5" and never "2,5".
        std::string_view text = commPort.text();
        text.remove_prefix(std::min(text.find_first_not_of(" \t\r\n"), text.size()));
        text.remove_suffix(text.size()
                           - std::min(text.find_last_not_of(" \t\r\n") + 1, text.size()));
        if (text.starts_with('+')) {
            text.remove_prefix(1);
        }
        const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || failed != std::errc() || end != text.data() + text.size()) {
            return std::nullopt;
        }
    }
    number = std::nearbyint(number); // rounds half to even, as the port control's conversion does
    if (!(number >= std::numeric_limits<short>::min()
          && number <= std::numeric_limits<short>::max())) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

namespace {

// How long a command may take to leave: at 4800 baud the longest one is on the line in 15 ms.
constexpr int kWriteBoundMs = 200;

} // namespace

SerialRadioPort::SerialRadioPort()
{
    connect(&m_serial, &SerialLine::readyRead, this, [this] {
        if (m_lookingAhead) {
            return; // kept in the port's buffer for takeWaiting
        }
        const QByteArray input = m_serial.readAll();
        deliver(std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
    });
    connect(&m_serial, &SerialLine::errorOccurred, this, &SerialRadioPort::onError);
}

void SerialRadioPort::onError(SerialLine::SerialPortError error)
{
    // A hung-up line keeps reporting itself readable; left open it would spin the event loop.
    if (error == SerialLine::ResourceError || error == SerialLine::ReadError
        || error == SerialLine::WriteError) {
        if (m_serial.isOpen()) {
            qCWarning(lcLink) << "line lost:" << m_serial.portName() << m_serial.errorString();
            m_serial.close();
        }
    }
}

std::string SerialRadioPort::takeWaiting()
{
    if (!m_serial.isOpen()) {
        return {};
    }
    m_lookingAhead = true;
    m_serial.waitForReadyRead(0);
    m_lookingAhead = false;
    const QByteArray input = m_serial.readAll();
    return std::string(input.constData(), static_cast<std::size_t>(input.size()));
}

bool SerialRadioPort::close()
{
    if (m_serial.isOpen()) {
        m_serial.close();
    }
    return true;
}

bool SerialRadioPort::setPortNumber(const SettingValue &commPort)
{
    const auto number = toPortNumber(commPort);
    if (!number || m_serial.isOpen()) {
        return false;
    }
    m_portNumber = *number;
    return true;
}

bool SerialRadioPort::open()
{
    // Resolved at open, not when the number is set: the operator may have made the comN link
    // in between.
    const auto device = serialDeviceFor(m_portNumber);
    if (!device) {
        return false;
    }
    m_serial.setPortName(*device);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "cannot open" << m_serial.portName() << m_serial.errorString();
        m_serial.clearError();
        return false;
    }
    assertRequestToSend();
    return true;
}

bool SerialRadioPort::configure()
{
    const bool ok = m_serial.setBaudRate(SerialLine::Baud4800)
        && m_serial.setParity(SerialLine::NoParity) && m_serial.setDataBits(SerialLine::Data8)
        && m_serial.setStopBits(SerialLine::OneStop)
        && m_serial.setFlowControl(SerialLine::NoFlowControl);
    if (!ok) {
        m_serial.clearError();
    }
    if (m_serial.isOpen()) {
        assertRequestToSend();
    }
    return ok;
}

void SerialRadioPort::assertRequestToSend()
{
    // Lines without modem control (pseudo-terminals, some USB adapters) reject RTS; the line
    // works all the same, so this is not a failure of the port.
    if (!m_serial.setRequestToSend(true)) {
        m_serial.clearError();
    }
}

bool SerialRadioPort::write(std::string_view command)
{
    if (!m_serial.isOpen()) {
        return false;
    }
    m_serial.clearError();
    const qint64 size = static_cast<qint64>(command.size());
    bool sent = m_serial.write(command.data(), size) == size;
    // Hand the bytes to the driver now: a clip played next blocks the event loop, and the
    // command must be on the line before the clip, not after it.
    if (sent) {
        m_serial.flush();
        while (sent && m_serial.isOpen() && m_serial.bytesToWrite() > 0) {
            sent = m_serial.waitForBytesWritten(kWriteBoundMs);
        }
        sent = sent && m_serial.isOpen() && m_serial.error() == SerialLine::NoError;
    }
    if (!sent) {
        // Bytes the line did not take would otherwise go out in front of a later command.
        if (m_serial.isOpen()) {
            m_serial.clear(SerialLine::Output);
        }
        m_serial.clearError();
        qCDebug(lcLink) << "write failed on" << m_serial.portName();
    }
    return sent;
}

} // namespace vexalo

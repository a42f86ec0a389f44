#include "serial_radio_port.h"

#include "logging.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace vexalo {

std::optional<QString> serialDeviceFor(int portNumber)
{
    if (portNumber < 1) {
        return std::nullopt;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QString local = QDir::current().absoluteFilePath(QStringLiteral("com%1").arg(portNumber));
    if (QFileInfo::exists(local)) {
        return local;
    }
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

std::optional<int> toPortNumber(const SettingValue &commPort)
{
    double number = 0;
    if (commPort.isNumber()) {
        number = commPort.number();
    } else if (commPort.isBool()) {
        number = commPort.flag() ? -1 : 0;
    } else if (commPort.isText()) {
        bool ok = false;
        number = QString::fromStdString(commPort.text()).trimmed().toDouble(&ok);
        if (!ok) {
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

SerialRadioPort::SerialRadioPort()
{
    connect(&m_serial, &QSerialPort::readyRead, this, [this] {
        const QByteArray input = m_serial.readAll();
        deliver(std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
    });
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
    const bool ok = m_serial.setBaudRate(QSerialPort::Baud4800)
        && m_serial.setParity(QSerialPort::NoParity) && m_serial.setDataBits(QSerialPort::Data8)
        && m_serial.setStopBits(QSerialPort::OneStop)
        && m_serial.setFlowControl(QSerialPort::NoFlowControl);
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
    const qint64 size = static_cast<qint64>(command.size());
    if (m_serial.write(command.data(), size) != size) {
        m_serial.clearError();
        return false;
    }
    // Hand the bytes to the driver now: a clip played next blocks the event loop, and the
    // command must be on the line before the clip, not after it.
    m_serial.flush();
    if (m_serial.bytesToWrite() > 0) {
        m_serial.waitForBytesWritten(100);
    }
    return true;
}

} // namespace vexalo

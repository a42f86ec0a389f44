// The radio's serial line on Qt SerialPort (on Windows, the same interface on Win32). Port
// numbers map onto devices as serial_device.h says for the platform. A line that hangs up
// or fails (the adapter pulled, the far end gone) is closed at once, and a write that the system
// rejects or that cannot leave promptly fails without leaving its bytes behind.
#pragma once

#include "radio_port.h"

#include "serial_device.h"
#include "serial_line.h"

#include <QString>

#include <optional>

namespace vexalo {

// A port number as the port control takes it: whole numbers that fit 16 bits, rounding a
// fraction; a text that reads as such a number counts; anything else is rejected. An unset
// value is 0, which names no port.
std::optional<int> toPortNumber(const SettingValue &commPort);

class SerialRadioPort : public QObject, public RadioPort {
    Q_OBJECT

public:
    SerialRadioPort();

    bool isOpen() const override { return m_serial.isOpen(); }
    bool close() override;
    bool setPortNumber(const SettingValue &commPort) override;
    bool open() override;
    bool configure() override;
    bool write(std::string_view command) override;
    std::string takeWaiting() override;

    QString deviceName() const { return m_serial.portName(); }

private:
    void assertRequestToSend();
    void onError(SerialLine::SerialPortError error);

    SerialLine m_serial;
    int m_portNumber = 0;
    bool m_lookingAhead = false;
};

} // namespace vexalo

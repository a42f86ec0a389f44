#include "serial_device.h"

namespace vexalo {

std::optional<QString> serialDeviceFor(int portNumber)
{
    if (portNumber < 1) {
        return std::nullopt;
    }
    // The device namespace form: plain "COM10" and above name no device for CreateFile.
    return QStringLiteral("\\\\.\\COM%1").arg(portNumber);
}

std::string_view serialPortsHelp()
{
    return "Comm1 to Comm10 are\n"
           "the serial ports COM1 to COM10.\n";
}

} // namespace vexalo

#include "serial_device.h"

#include <QDir>

#include <filesystem>

namespace vexalo {

std::optional<QString> serialDeviceFor(int portNumber)
{
    if (portNumber < 1) {
        return std::nullopt;
    }
    const QString local = QDir::current().absoluteFilePath(QStringLiteral("com%1").arg(portNumber));
    // An entry whose device is gone is still the operator's choice of port: opening it fails,
    // rather than falling through to whatever hangs on the built-in port.
    std::error_code error;
    if (std::filesystem::symlink_status(local.toStdString(), error).type()
        != std::filesystem::file_type::not_found) {
        return local;
    }
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

std::string_view serialPortsHelp()
{
    return "Comm1 to Comm10 are\n"
           "the links com1 to com10 there when they exist, else /dev/ttyS0 to /dev/ttyS9.\n";
}

} // namespace vexalo

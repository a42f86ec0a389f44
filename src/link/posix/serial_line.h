// The serial line under the radio port on Linux and other Unix systems: Qt SerialPort itself.
// windows/serial_line.h gives Windows builds the same interface on Win32.
#pragma once

#include <QSerialPort>

namespace vexalo {

using SerialLine = QSerialPort;

} // namespace vexalo

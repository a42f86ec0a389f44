// Shutting the sending side of a connection while still reading it, which Qt's sockets do not
// offer. The system call differs: half_close.cpp (POSIX), half_close_windows.cpp (Winsock).
#pragma once

#include <QtGlobal>

namespace vexalo {

void shutDownSending(qintptr socketDescriptor);

} // namespace vexalo

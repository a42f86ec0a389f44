#include "half_close.h"

#include <sys/socket.h>

namespace vexalo {

void shutDownSending(qintptr socketDescriptor)
{
    ::shutdown(static_cast<int>(socketDescriptor), SHUT_WR);
}

} // namespace vexalo

#include "half_close.h"

#include <winsock2.h>

namespace vexalo {

void shutDownSending(qintptr socketDescriptor)
{
    ::shutdown(static_cast<SOCKET>(socketDescriptor), SD_SEND);
}

} // namespace vexalo

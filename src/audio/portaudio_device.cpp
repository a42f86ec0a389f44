#include "portaudio_device.h"

namespace vexalo {

PaDeviceIndex preferredOutputDevice()
{
    return Pa_GetDefaultOutputDevice();
}

} // namespace vexalo

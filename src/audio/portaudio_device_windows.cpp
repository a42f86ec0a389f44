#include "portaudio_device.h"

#include <initializer_list>

namespace vexalo {

// PortAudio's own default on Windows is MME's, which adds about 100 ms before a clip is heard;
// WASAPI's shared mode plays through the same mixer with a few milliseconds. A system without
// WASAPI (before Vista, or where it fails to start) has MME.
PaDeviceIndex preferredOutputDevice()
{
    for (const PaHostApiTypeId api : { paWASAPI, paMME }) {
        const PaHostApiIndex index = Pa_HostApiTypeIdToHostApiIndex(api);
        if (index < 0) {
            continue;
        }
        const PaHostApiInfo *info = Pa_GetHostApiInfo(index);
        if (info && info->defaultOutputDevice != paNoDevice) {
            return info->defaultOutputDevice;
        }
    }
    return Pa_GetDefaultOutputDevice();
}

} // namespace vexalo

#include "portaudio_device.h"

#include <string_view>

namespace vexalo {

// PipeWire's own ALSA plug-in, ALSA's default on some desktops, took tens of milliseconds longer
// to a new stream's first sound than the PulseAudio service the same server offers through
// ALSA's "pulse" device. That device is listed only when a server answered it as PortAudio
// started, so without one the default is taken as before.
PaDeviceIndex preferredOutputDevice()
{
    const PaHostApiIndex alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA);
    for (PaDeviceIndex device = 0; device < Pa_GetDeviceCount(); ++device) {
        const PaDeviceInfo *info = Pa_GetDeviceInfo(device);
        if (info && info->hostApi == alsa && info->maxOutputChannels > 0
            && std::string_view(info->name) == "pulse") {
            return device;
        }
    }
    return Pa_GetDefaultOutputDevice();
}

} // namespace vexalo

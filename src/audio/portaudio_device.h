// Which of PortAudio's output devices the clips play on, which differs by platform:
// portaudio_device.cpp takes ALSA's "pulse" device when a sound server answers it, else ALSA's
// default; portaudio_device_windows.cpp prefers WASAPI. Call after Pa_Initialize.
#pragma once

#include <portaudio.h>

namespace vexalo {

PaDeviceIndex preferredOutputDevice();

} // namespace vexalo

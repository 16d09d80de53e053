#pragma once
// The MIDI input devices of the system the program is built for: RtMidi's
// where it is built in, otherwise the Windows multimedia calls on Windows,
// otherwise none.

#if defined(TOREM_HAVE_RTMIDI)
#include "RtMidiDeviceLayer.h"
using TSystemMidiDevices = TRtMidiDeviceLayer;
#elif defined(_WIN32)
#include "WinMmDeviceLayer.h"
using TSystemMidiDevices = TWinMmDeviceLayer;
#else
#include "NoMidiDeviceLayer.h"
using TSystemMidiDevices = TNoMidiDeviceLayer;  // built without a MIDI system
#endif

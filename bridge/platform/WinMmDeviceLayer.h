#pragma once
// The MIDI device layer on the Windows multimedia MIDI input calls
// (midiIn...). Compiled on Windows only. The codes are Windows' own.

#include "MidiDeviceLayer.h"

class TWinMmDeviceLayer final : public TMidiDeviceLayer {
public:
    std::uint16_t DeviceCount() override;
    TMidiResult DeviceName(std::uint16_t index, std::string& name) override;
    TMidiResult Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                     TMidiInHandle& handle) override;
    TMidiResult PrepareHeader(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult AddBuffer(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult UnprepareHeader(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult Start(TMidiInHandle handle) override;
    TMidiResult Stop(TMidiInHandle handle) override;
    TMidiResult Reset(TMidiInHandle handle) override;
    TMidiResult Close(TMidiInHandle handle) override;
    TMidiResult ErrorText(TMidiResult code, std::string& text) override;
};

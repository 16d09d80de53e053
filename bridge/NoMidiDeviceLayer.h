#pragma once
// The MIDI device layer of a system without MIDI: it lists no devices and
// opens none. Programs built without a MIDI system use it, and the window
// falls back to it when the system's layer cannot be used.

#include "MidiDeviceLayer.h"

class TNoMidiDeviceLayer final : public TMidiDeviceLayer {
public:
    std::uint16_t DeviceCount() override { return 0; }
    TMidiResult DeviceName(std::uint16_t, std::string&) override { return MidiResult::BadDeviceId; }
    TMidiResult Open(std::uint16_t, TMidiInCallback, void*, TMidiInHandle&) override
    {
        return MidiResult::BadDeviceId;
    }
    TMidiResult PrepareHeader(TMidiInHandle, TMidiHeader&) override { return MidiResult::InvalidHandle; }
    TMidiResult AddBuffer(TMidiInHandle, TMidiHeader&) override { return MidiResult::InvalidHandle; }
    TMidiResult UnprepareHeader(TMidiInHandle, TMidiHeader&) override { return MidiResult::InvalidHandle; }
    TMidiResult Start(TMidiInHandle) override { return MidiResult::InvalidHandle; }
    TMidiResult Stop(TMidiInHandle) override { return MidiResult::InvalidHandle; }
    TMidiResult Reset(TMidiInHandle) override { return MidiResult::InvalidHandle; }
    TMidiResult Close(TMidiInHandle) override { return MidiResult::InvalidHandle; }
    bool MidiSystemFound() override { return false; }
    TMidiResult ErrorText(TMidiResult code, std::string& text) override
    {
        return StandardMidiErrorText(code, text) ? MidiResult::NoError : MidiResult::InvalidParam;
    }
};

#pragma once
// A MIDI message received from an input device, as handed to the owner of
// the input component.

#include <cstdint>
#include <vector>

#include "MidiStatus.h"

struct TMyMidiEvent {
    std::uint8_t Status = 0;  // MidiStatus::SystemExclusive for a system exclusive message
    std::uint8_t Data1 = 0;
    std::uint8_t Data2 = 0;
    std::uint32_t Timestamp = 0;         // ms since the device was started
    std::uint16_t SysexLength = 0;       // bytes of system exclusive received
    std::vector<std::uint8_t> SysexData;  // copy of those bytes; empty for short messages
};

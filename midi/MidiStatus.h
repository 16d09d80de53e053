#pragma once
// The status bytes of MIDI messages, as the MIDI file reader and the live
// input meet them. A channel message's status holds its kind in the high
// nibble and its channel, 0 to 15, in the low one; a data byte never has the
// high bit set.

#include <cstdint>

namespace MidiStatus {

// Kinds of channel messages.
inline constexpr std::uint8_t NoteOff = 0x80;
inline constexpr std::uint8_t NoteOn = 0x90;  // with velocity 0, a note-off
inline constexpr std::uint8_t KeyPressure = 0xA0;
inline constexpr std::uint8_t ControlChange = 0xB0;
inline constexpr std::uint8_t ProgramChange = 0xC0;
inline constexpr std::uint8_t ChannelPressure = 0xD0;
inline constexpr std::uint8_t PitchBend = 0xE0;

// System messages.
inline constexpr std::uint8_t SystemExclusive = 0xF0;
inline constexpr std::uint8_t EndOfExclusive = 0xF7;  // in a file, also an escape of raw bytes
inline constexpr std::uint8_t TimingClock = 0xF8;
inline constexpr std::uint8_t ActiveSensing = 0xFE;
inline constexpr std::uint8_t Meta = 0xFF;  // a meta event, in a file only (on the line, a reset)

constexpr bool IsStatus(std::uint8_t byte)
{
    return byte >= 0x80;
}

constexpr std::uint8_t KindOf(std::uint8_t status)
{
    return static_cast<std::uint8_t>(status & 0xF0);
}

constexpr std::uint8_t ChannelOf(std::uint8_t status)
{
    return static_cast<std::uint8_t>(status & 0x0F);
}

// The status of a channel message of a kind on a channel 0 to 15.
constexpr std::uint8_t OnChannel(std::uint8_t kind, unsigned channel)
{
    return static_cast<std::uint8_t>(kind | (channel & 0x0F));
}

}  // namespace MidiStatus

// Controllers of a ControlChange that silence a channel.
namespace MidiController {
inline constexpr std::uint8_t AllSoundOff = 120;
inline constexpr std::uint8_t AllNotesOff = 123;
}  // namespace MidiController

#pragma once
// A person at a MIDI keyboard: plays messages into a virtual MIDI device from
// a thread of its own, as a driver thread would deliver them.

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "MidiStatus.h"
#include "VirtualMidiDeviceLayer.h"

struct TMidiMessage {
    std::uint8_t Status = 0;  // SystemExclusive: the message F0 Data1 Data2 F7
    std::uint8_t Data1 = 0;
    std::uint8_t Data2 = 0;
};

// Channels count from 1, as on the keyboard.
constexpr TMidiMessage NoteOn(int channel, int note, int velocity)
{
    return {MidiStatus::OnChannel(MidiStatus::NoteOn, static_cast<unsigned>(channel - 1)), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
constexpr TMidiMessage NoteOff(int channel, int note, int velocity = 64)
{
    return {MidiStatus::OnChannel(MidiStatus::NoteOff, static_cast<unsigned>(channel - 1)), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}

class TKeyboardPlayer {
public:
    // Starts playing at once. The layer must outlive the player.
    TKeyboardPlayer(TVirtualMidiDeviceLayer& layer, std::uint16_t device, std::vector<TMidiMessage> messages);
    // Waits until everything was played.
    ~TKeyboardPlayer() = default;
    TKeyboardPlayer(const TKeyboardPlayer&) = delete;
    TKeyboardPlayer& operator=(const TKeyboardPlayer&) = delete;

    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Messages that an open, started device took.
    std::size_t Delivered() const { return delivered_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> done_{false};
    std::atomic<std::size_t> delivered_{0};
    std::jthread thread_;  // last: joined before the counters go
};

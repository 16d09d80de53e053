#pragma once
// The plain data classes of the conversion: notes taken from a MIDI file,
// timed output changes, and the frames of the sequence image.

#include <cstddef>
#include <cstdint>
#include <vector>

// One note taken from the MIDI file, times already in milliseconds.
struct TUseFullMidiEvent {
    std::uint32_t TimeMs = 0;
    std::uint32_t DurationMs = 0;
    std::uint8_t Channel = 0;  // 0 = MIDI channel 1, 1 = MIDI channel 2
    std::uint8_t Note = 0;
    std::uint8_t Velocity = 0;
    // No note-off closed it: DurationMs is 0 because the note was left open.
    bool Unclosed = false;

    bool operator==(const TUseFullMidiEvent&) const = default;
};
static_assert(sizeof(TUseFullMidiEvent) == 12, "the flag takes the padding, no room of its own");

// One change of one output at one time.
struct TContactorEvent {
    std::uint32_t TimeMs = 0;
    std::uint8_t Contact = 0;  // output number 0..255
    std::uint8_t Value = 0;    // level: 0 = off, 255 = fully on

    bool operator==(const TContactorEvent&) const = default;
};

// One (output, level) pair inside a frame.
struct TCntTrameData {
    std::uint8_t Contact = 0;
    std::uint8_t Value = 0;

    bool operator==(const TCntTrameData&) const = default;
};

// The changes that take effect at one time slot.
class TTrameOfContactorEvent {
public:
    static constexpr std::size_t MaxPairs = 256;

    std::uint16_t NextSlot = 0;  // slot of the following frame; 0 in the last one
    std::vector<TCntTrameData> Pairs;  // in the order added

    // Pair at 1-based position index, or nullptr when index is 0 or past the end.
    const TCntTrameData* GetDataEventX(std::uint8_t index) const;
    // Appends a pair; false (and nothing added) when 256 pairs are held already.
    bool add(std::uint8_t contact, std::uint8_t value);
    // Number of pairs, kept to 8 bits as the record's count byte is.
    std::uint8_t Size() const { return static_cast<std::uint8_t>(Pairs.size()); }
};

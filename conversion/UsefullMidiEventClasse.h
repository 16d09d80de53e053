#pragma once
// The plain data classes of the conversion: notes taken from a MIDI file,
// timed output changes, and the frames of the sequence image.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One note taken from the MIDI file, times already in milliseconds.
struct TUseFullMidiEvent {
    std::uint32_t TimeMs = 0;
    std::uint32_t DurationMs = 0;
    std::uint8_t Channel = 0;  // 0 = MIDI channel 1, 1 = MIDI channel 2
    std::uint8_t Note = 0;
    std::uint8_t Velocity = 0;

    bool operator==(const TUseFullMidiEvent&) const = default;
};

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

// The pairs of one frame, in the order added. Most frames hold a few
// changes, which are kept inside the list itself; only busier frames take
// storage of their own, so building hundreds of thousands of frames does not
// mean as many allocations.
class TCntTrameList {
public:
    TCntTrameList() = default;
    TCntTrameList(const TCntTrameList& other);
    TCntTrameList& operator=(const TCntTrameList& other);
    TCntTrameList(TCntTrameList&& other) noexcept;
    TCntTrameList& operator=(TCntTrameList&& other) noexcept;
    ~TCntTrameList() = default;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const TCntTrameData* begin() const { return data(); }
    const TCntTrameData* end() const { return data() + size_; }
    const TCntTrameData& operator[](std::size_t i) const { return data()[i]; }
    void push_back(const TCntTrameData& pair);
    void clear() { size_ = 0; }

private:
    static constexpr std::size_t InlineCapacity = 6;  // a frame of 32 bytes in all
    const TCntTrameData* data() const { return heap_ ? heap_.get() : inline_; }
    TCntTrameData* data() { return heap_ ? heap_.get() : inline_; }

    std::unique_ptr<TCntTrameData[]> heap_;
    std::uint16_t size_ = 0;
    std::uint16_t capacity_ = InlineCapacity;
    TCntTrameData inline_[InlineCapacity];
};

// The changes that take effect at one time slot.
class TTrameOfContactorEvent {
public:
    static constexpr std::size_t MaxPairs = 256;

    std::uint16_t NextSlot = 0;  // slot of the following frame; 0 in the last one
    TCntTrameList Pairs;

    // Pair at 1-based position index, or nullptr when index is 0 or past the end.
    const TCntTrameData* GetDataEventX(std::uint8_t index) const;
    // Appends a pair; false (and nothing added) when 256 pairs are held already.
    bool add(std::uint8_t contact, std::uint8_t value);
    // Number of pairs, kept to 8 bits as the record's count byte is.
    std::uint8_t Size() const { return static_cast<std::uint8_t>(Pairs.size()); }
};

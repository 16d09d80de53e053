#pragma once
// The input ring: a fixed-size single-producer single-consumer queue between
// the MIDI driver's callback (producer) and the owner's thread (consumer).
//
// The producer writes the slot, then publishes the new count (release); the
// consumer reads the count (acquire), reads the slot, then gives it back by
// decrementing the count (release), which the producer's next full-check
// acquires before it may write that slot again. Push never allocates, never
// locks and never waits; all memory is allocated by the constructor.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

struct TMidiHeader;

struct InputSlot {
    std::uint32_t Timestamp = 0;     // ms since Start, as the driver reported it
    std::uint32_t ShortMessage = 0;  // status | data1 << 8 | data2 << 16; 0 for system exclusive
    TMidiHeader* Sysex = nullptr;    // the receive buffer the driver filled; none for a short message
};

class InputRing {
public:
    // All slots are allocated here, zero-filled. A capacity of 0 stores nothing.
    explicit InputRing(std::uint32_t capacity);
    InputRing(const InputRing&) = delete;
    InputRing& operator=(const InputRing&) = delete;

    std::uint32_t Capacity() const noexcept { return capacity_; }

    // Producer: stores the slot and returns true, or returns false and
    // stores nothing when the ring is full.
    bool Push(const InputSlot& slot) noexcept;

    // Consumer: the number of stored slots.
    std::uint32_t Count() const noexcept { return count_.load(std::memory_order_acquire); }
    // Consumer: the oldest slot, left in place; false when empty.
    bool Peek(InputSlot& slot) const noexcept;
    // Consumer: removes the oldest slot; nothing when empty.
    void Pop() noexcept;

private:
    std::uint32_t Next(std::uint32_t position) const noexcept
    {
        return position + 1 == capacity_ ? 0 : position + 1;
    }

    const std::uint32_t capacity_;
    const std::unique_ptr<InputSlot[]> slots_;
    alignas(64) std::atomic<std::uint32_t> count_{0};
    alignas(64) std::uint32_t writePos_ = 0;  // producer only
    alignas(64) std::uint32_t readPos_ = 0;   // consumer only
};

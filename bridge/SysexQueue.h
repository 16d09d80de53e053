#pragma once
// The system exclusive receive buffers queued with one open device, for the
// device layers that fill the buffers themselves (RtMidi, the virtual test
// devices), so that the buffer rules of MidiDeviceLayer.h hold alike in all:
//
// - Prepare marks a buffer usable; a buffer without bytes is refused.
// - Add queues a prepared buffer at the end: Unprepared when it is not
//   prepared, StillPlaying when it is queued already.
// - Fill copies a message into the oldest buffer, truncated to its length,
//   and takes it off the queue; with no buffer queued the message is lost.
// - ReturnAll takes every queued buffer off, oldest first, with nothing
//   recorded, for Reset to hand back through the callback.
// - Unprepare is refused (StillPlaying) while the buffer is queued, as Close
//   is while any buffer is (Empty).
//
// The queue runs through the buffers' own LayerNext links and allocates
// nothing. It takes no lock: each layer calls it under the lock that orders
// its driver thread against its owner's calls.

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "MidiDeviceLayer.h"

// The bits of TMidiHeader::LayerFlags.
namespace SysexFlag {
inline constexpr std::uint32_t Prepared = 1;
inline constexpr std::uint32_t Queued = 2;
}  // namespace SysexFlag

class TSysexQueue {
public:
    TSysexQueue() = default;
    // A moved queue hands its buffers over and is empty afterwards (a
    // layer's list of devices may move them).
    TSysexQueue(TSysexQueue&& other) noexcept;
    TSysexQueue& operator=(const TSysexQueue&) = delete;

    static TMidiResult Prepare(TMidiHeader& header);
    static TMidiResult Unprepare(TMidiHeader& header);
    TMidiResult Add(TMidiHeader& header);

    // The buffer that now holds message, or nullptr when none was queued.
    TMidiHeader* Fill(std::span<const std::uint8_t> message) noexcept;

    // Calls giveBack(header) for each buffer taken off, after it is off.
    template <class TGiveBack>
    void ReturnAll(TGiveBack&& giveBack)
    {
        while (TMidiHeader* header = TakeOldest()) {
            header->BytesRecorded = 0;
            giveBack(*header);
        }
    }

    bool Empty() const noexcept { return head_ == nullptr; }
    std::size_t Size() const noexcept { return size_; }

private:
    TMidiHeader* TakeOldest() noexcept;

    TMidiHeader* head_ = nullptr;  // oldest
    TMidiHeader* tail_ = nullptr;
    std::size_t size_ = 0;
};

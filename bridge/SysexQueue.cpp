#include "SysexQueue.h"

#include <algorithm>
#include <cstring>

namespace {

bool Has(const TMidiHeader& header, std::uint32_t flag)
{
    return (header.LayerFlags.load() & flag) != 0;
}

}  // namespace

TSysexQueue::TSysexQueue(TSysexQueue&& other) noexcept
    : head_(std::exchange(other.head_, nullptr)),
      tail_(std::exchange(other.tail_, nullptr)),
      size_(std::exchange(other.size_, 0))
{
}

TMidiResult TSysexQueue::Prepare(TMidiHeader& header)
{
    if (header.Data == nullptr || header.BufferLength == 0)
        return MidiResult::InvalidParam;
    header.LayerFlags.fetch_or(SysexFlag::Prepared);
    return MidiResult::NoError;
}

TMidiResult TSysexQueue::Unprepare(TMidiHeader& header)
{
    if (Has(header, SysexFlag::Queued))
        return MidiResult::StillPlaying;
    header.LayerFlags.fetch_and(~SysexFlag::Prepared);
    return MidiResult::NoError;
}

TMidiResult TSysexQueue::Add(TMidiHeader& header)
{
    if (!Has(header, SysexFlag::Prepared))
        return MidiResult::Unprepared;
    if (Has(header, SysexFlag::Queued))
        return MidiResult::StillPlaying;
    header.LayerFlags.fetch_or(SysexFlag::Queued);
    header.BytesRecorded = 0;
    header.LayerNext = nullptr;
    if (tail_ != nullptr)
        tail_->LayerNext = &header;
    else
        head_ = &header;
    tail_ = &header;
    ++size_;
    return MidiResult::NoError;
}

TMidiHeader* TSysexQueue::Fill(std::span<const std::uint8_t> message) noexcept
{
    TMidiHeader* header = TakeOldest();
    if (header == nullptr)
        return nullptr;
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(message.size(), header->BufferLength));
    if (length > 0)
        std::memcpy(header->Data, message.data(), length);
    header->BytesRecorded = length;
    return header;
}

TMidiHeader* TSysexQueue::TakeOldest() noexcept
{
    TMidiHeader* header = head_;
    if (header == nullptr)
        return nullptr;
    head_ = header->LayerNext;
    if (head_ == nullptr)
        tail_ = nullptr;
    header->LayerNext = nullptr;
    --size_;
    header->LayerFlags.fetch_and(~SysexFlag::Queued);
    return header;
}

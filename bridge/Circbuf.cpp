#include "Circbuf.h"

InputRing::InputRing(std::uint32_t capacity)
    : capacity_(capacity), slots_(std::make_unique<InputSlot[]>(capacity))
{
}

bool InputRing::Push(const InputSlot& slot) noexcept
{
    // Acquire pairs with the consumer's release in Pop: the slot about to be
    // overwritten has been read completely.
    if (count_.load(std::memory_order_acquire) >= capacity_)
        return false;
    slots_[writePos_] = slot;
    writePos_ = Next(writePos_);
    count_.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

bool InputRing::Peek(InputSlot& slot) const noexcept
{
    if (count_.load(std::memory_order_acquire) == 0)
        return false;
    slot = slots_[readPos_];
    return true;
}

void InputRing::Pop() noexcept
{
    if (count_.load(std::memory_order_acquire) == 0)
        return;
    readPos_ = Next(readPos_);
    count_.fetch_sub(1, std::memory_order_acq_rel);
}

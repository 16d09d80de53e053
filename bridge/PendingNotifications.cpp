#include "PendingNotifications.h"

bool TPendingNotifications::Add(TMidiNotification notification) noexcept
{
    auto& pending = notification == TMidiNotification::Data ? data_ : overflow_;
    return pending.fetch_add(1, std::memory_order_acq_rel) == 0;
}

std::uint32_t TPendingNotifications::Count() const noexcept
{
    return data_.load(std::memory_order_acquire) + overflow_.load(std::memory_order_acquire);
}

bool TPendingNotifications::Claim(std::atomic<std::uint32_t>& pending) noexcept
{
    // Only the owner's thread takes from the counts, so a positive count
    // cannot drop to 0 between the test and the decrement.
    if (pending.load(std::memory_order_acquire) == 0)
        return false;
    pending.fetch_sub(1, std::memory_order_acq_rel);
    return true;
}

void TPendingNotifications::HandEach(const std::function<void(TMidiNotification)>& handle)
{
    std::uint32_t dataBudget = data_.load(std::memory_order_acquire);
    std::uint32_t overflowBudget = overflow_.load(std::memory_order_acquire);
    while (dataBudget > 0 || overflowBudget > 0) {
        if (dataBudget > 0) {
            --dataBudget;
            if (Claim(data_))
                handle(TMidiNotification::Data);
        } else {
            --overflowBudget;
            if (Claim(overflow_))
                handle(TMidiNotification::Overflow);
        }
    }
}

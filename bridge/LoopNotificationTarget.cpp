#include "LoopNotificationTarget.h"

TLoopNotificationTarget::TLoopNotificationTarget(TEventLoop& loop) : loop_(loop)
{
    loop_.AddSource(*this);
}

TLoopNotificationTarget::~TLoopNotificationTarget()
{
    loop_.RemoveSource(*this);
}

void TLoopNotificationTarget::Post(TMidiNotification notification) noexcept
{
    auto& pending = notification == TMidiNotification::Data ? pendingData_ : pendingOverflow_;
    // The loop checks HasPending before it waits, so only a count that was 0
    // can be missed by a loop about to sleep.
    if (pending.fetch_add(1, std::memory_order_acq_rel) == 0)
        loop_.Wake();
}

void TLoopNotificationTarget::SetHandler(THandler handler)
{
    handler_ = std::move(handler);
}

bool TLoopNotificationTarget::HasPending() const
{
    return pendingData_.load(std::memory_order_acquire) > 0 ||
           pendingOverflow_.load(std::memory_order_acquire) > 0;
}

bool TLoopNotificationTarget::Claim(std::atomic<std::uint32_t>& pending)
{
    // Only the loop's thread takes from the counts, so a positive count
    // cannot drop to 0 between the test and the decrement.
    if (pending.load(std::memory_order_acquire) == 0)
        return false;
    pending.fetch_sub(1, std::memory_order_acq_rel);
    return true;
}

void TLoopNotificationTarget::Dispatch()
{
    // Handle what was pending on entry, one claim per call: a handler that
    // processes messages again claims the next ones itself, and what arrives
    // meanwhile waits for the next pass, so timers are not starved by a flood.
    std::uint32_t dataBudget = pendingData_.load(std::memory_order_acquire);
    std::uint32_t overflowBudget = pendingOverflow_.load(std::memory_order_acquire);
    while (dataBudget > 0 || overflowBudget > 0) {
        TMidiNotification notification;
        if (dataBudget > 0) {
            --dataBudget;
            if (!Claim(pendingData_))
                continue;
            notification = TMidiNotification::Data;
        } else {
            --overflowBudget;
            if (!Claim(pendingOverflow_))
                continue;
            notification = TMidiNotification::Overflow;
        }
        if (handler_)
            handler_(notification);
    }
}

#include "QtNotificationTarget.h"

#include <QMetaObject>

TQtNotificationTarget::TQtNotificationTarget(TErrorSink onError) : onError_(std::move(onError)) {}

// Destroying context_ removes the invocations still queued for it.
TQtNotificationTarget::~TQtNotificationTarget() = default;

void TQtNotificationTarget::Post(TMidiNotification notification) noexcept
{
    auto& pending = notification == TMidiNotification::Data ? pendingData_ : pendingOverflow_;
    pending.fetch_add(1, std::memory_order_acq_rel);
    if (!scheduled_.exchange(true, std::memory_order_acq_rel))
        Schedule();
}

void TQtNotificationTarget::Schedule() noexcept
{
    try {
        QMetaObject::invokeMethod(&context_, [this] { Dispatch(); }, Qt::QueuedConnection);
    } catch (...) {
        // Out of memory: the next post tries again.
        scheduled_.store(false, std::memory_order_release);
    }
}

void TQtNotificationTarget::SetHandler(THandler handler)
{
    handler_ = std::move(handler);
}

std::uint32_t TQtNotificationTarget::Pending() const
{
    return pendingData_.load(std::memory_order_acquire) + pendingOverflow_.load(std::memory_order_acquire);
}

bool TQtNotificationTarget::Claim(std::atomic<std::uint32_t>& pending)
{
    // Only the owner's thread takes from the counts, so a positive count
    // cannot drop to 0 between the test and the decrement.
    if (pending.load(std::memory_order_acquire) == 0)
        return false;
    pending.fetch_sub(1, std::memory_order_acq_rel);
    return true;
}

void TQtNotificationTarget::Dispatch()
{
    // Cleared first: a post from now on queues a dispatch of its own.
    scheduled_.store(false, std::memory_order_release);

    // Only what was pending on entry, one claim per call: a handler that
    // processes events again claims the next ones itself, and what arrives
    // meanwhile waits for the next dispatch, behind the timers and input
    // that queued up in between.
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
        if (!handler_)
            continue;
        try {
            handler_(notification);
        } catch (...) {
            if (onError_)
                onError_(std::current_exception());
        }
    }

    if (Pending() > 0 && !scheduled_.exchange(true, std::memory_order_acq_rel))
        Schedule();
}

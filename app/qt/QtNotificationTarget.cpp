#include "QtNotificationTarget.h"

#include <QMetaObject>

TQtNotificationTarget::TQtNotificationTarget(TErrorSink onError) : onError_(std::move(onError)) {}

// Destroying context_ removes the invocations still queued for it.
TQtNotificationTarget::~TQtNotificationTarget() = default;

void TQtNotificationTarget::Post(TMidiNotification notification) noexcept
{
    pending_.Add(notification);
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
    return pending_.Count();
}

void TQtNotificationTarget::Dispatch()
{
    // Cleared first: a post from now on queues a dispatch of its own.
    scheduled_.store(false, std::memory_order_release);

    // What arrives meanwhile waits for the next dispatch, behind the timers
    // and input that queued up in between.
    pending_.HandEach([this](TMidiNotification notification) {
        if (!handler_)
            return;
        try {
            handler_(notification);
        } catch (...) {
            if (onError_)
                onError_(std::current_exception());
        }
    });

    if (Pending() > 0 && !scheduled_.exchange(true, std::memory_order_acq_rel))
        Schedule();
}

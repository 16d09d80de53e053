#pragma once
// The notification target on the plain C++ message loop (tools and tests):
// posts are counted in atomics and the loop is woken; the loop's passes hand
// each counted notification to the handler on the loop's thread.

#include "EventLoop.h"
#include "NotificationTarget.h"
#include "PendingNotifications.h"

class TLoopNotificationTarget final : public TNotificationTarget, private TEventSource {
public:
    // Registers with loop; the loop must outlive the target.
    explicit TLoopNotificationTarget(TEventLoop& loop);
    // Pending notifications are dropped.
    ~TLoopNotificationTarget() override;
    TLoopNotificationTarget(const TLoopNotificationTarget&) = delete;
    TLoopNotificationTarget& operator=(const TLoopNotificationTarget&) = delete;

    // Any thread: one atomic increment, and a wake-up of the loop when the
    // count leaves 0. No lock, no allocation.
    void Post(TMidiNotification notification) noexcept override;
    void SetHandler(THandler handler) override;

private:
    bool HasPending() const override;
    void Dispatch() override;

    TEventLoop& loop_;
    THandler handler_;
    TPendingNotifications pending_;
};

#pragma once
// The MIDI input's notification target on the Qt event loop. A post from the
// driver's thread counts itself in an atomic and, when no dispatch is
// waiting, queues one invocation on the thread that made the target; that
// dispatch hands every counted notification to the handler, one call per
// post. A burst of events thus costs one queued event, not one per message.
//
// Exceptions from the handler never reach Qt's event loop: they go to the
// error sink (the window's general error report).

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include <QObject>

#include "NotificationTarget.h"
#include "PendingNotifications.h"

class TQtNotificationTarget final : public TNotificationTarget {
public:
    using TErrorSink = std::function<void(std::exception_ptr)>;

    // Create on the thread that is to run the handler (the GUI thread).
    explicit TQtNotificationTarget(TErrorSink onError = {});
    // Pending notifications are dropped.
    ~TQtNotificationTarget() override;
    TQtNotificationTarget(const TQtNotificationTarget&) = delete;
    TQtNotificationTarget& operator=(const TQtNotificationTarget&) = delete;

    // Any thread; never blocks on the owner and never calls the handler.
    void Post(TMidiNotification notification) noexcept override;
    void SetHandler(THandler handler) override;

    // Notifications posted and not yet handled (tests).
    std::uint32_t Pending() const;

private:
    void Schedule() noexcept;
    void Dispatch();

    QObject context_;  // the queued invocations belong to it
    THandler handler_;
    TErrorSink onError_;
    TPendingNotifications pending_;
    std::atomic<bool> scheduled_{false};
};

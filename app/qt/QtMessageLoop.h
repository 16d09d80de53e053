#pragma once
// The Qt event loop as the owner's message loop of the window model and its
// live session: Timer1 as the acknowledgement clock, a named single-shot
// QTimer for every other clock, the Qt notification target, and the pump
// that processes pending events inside a wait. Qt cannot take an exception
// back through its event loop: what a handler throws goes to the error sink.

#include <exception>
#include <functional>
#include <memory>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "MessageLoop.h"
#include "QtAckClock.h"
#include "QtMessagePump.h"

class TQtMessageLoop final : public TMessageLoop {
public:
    using TErrorSink = std::function<void(std::exception_ptr)>;

    // The timers are children of owner, which must outlive the loop.
    TQtMessageLoop(QObject& owner, TErrorSink onError);

    TMessagePump& Pump() override { return pump_; }
    TAckClock& AckClock() override { return *ackClock_; }
    std::unique_ptr<TTimerClock> NewClock(std::string_view name, std::function<void()> onRunOut) override;
    std::unique_ptr<TNotificationTarget> NewNotificationTarget() override;

private:
    QObject& owner_;
    TErrorSink onError_;
    TQtMessagePump pump_;
    std::unique_ptr<TQtAckClock> ackClock_;
};

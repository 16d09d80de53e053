#pragma once
// The plain event loop (tools and tests) as the owner's message loop. An
// exception of a handler leaves through the loop's ProcessMessages, to
// whoever runs the loop.

#include "EventLoop.h"
#include "MessageLoop.h"

class TPlainMessageLoop final : public TMessageLoop {
public:
    // loop must outlive this and everything made from it.
    explicit TPlainMessageLoop(TEventLoop& loop) : loop_(loop), ackClock_(loop) {}

    TMessagePump& Pump() override { return loop_; }
    TAckClock& AckClock() override { return ackClock_; }
    std::unique_ptr<TTimerClock> NewClock(std::string_view name, std::function<void()> onRunOut) override;
    std::unique_ptr<TNotificationTarget> NewNotificationTarget() override;

private:
    TEventLoop& loop_;
    TLoopAckClock ackClock_;
};

#include "PlainMessageLoop.h"

#include "LoopNotificationTarget.h"

std::unique_ptr<TTimerClock> TPlainMessageLoop::NewClock(std::string_view, std::function<void()> onRunOut)
{
    return std::make_unique<TLoopTimerClock>(loop_, std::move(onRunOut));
}

std::unique_ptr<TNotificationTarget> TPlainMessageLoop::NewNotificationTarget()
{
    return std::make_unique<TLoopNotificationTarget>(loop_);
}

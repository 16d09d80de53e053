#include "LoopActivityIndicator.h"

TLoopActivityIndicator::TLoopActivityIndicator(TEventLoop& loop, std::chrono::milliseconds interval)
    : timer_(loop, interval, [this] { Expired(); })
{
}

void TLoopActivityIndicator::RestartClock()
{
    // Disabling first makes the 100 ms count from this event, not the first.
    timer_.SetEnabled(false);
    timer_.SetEnabled(true);
}

void TLoopActivityIndicator::Expired()
{
    if (onTimer_) {
        onTimer_();
        return;
    }
    StopClock();
    SetLit(false);
}

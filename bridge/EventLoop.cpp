#include "EventLoop.h"

#include <algorithm>

void TEventLoop::ProcessMessages()
{
    // Handlers may add or remove timers and sources, and may nest
    // ProcessMessages; work from a snapshot and skip what went away.
    const auto now = Clock::now();
    const std::vector<TLoopTimer*> timers = timers_;
    for (TLoopTimer* timer : timers) {
        if (!IsTimer(timer) || !timer->enabled_ || timer->due_ > now)
            continue;
        timer->due_ = now + timer->interval_;
        if (timer->onTimer_)
            timer->onTimer_();
    }

    const std::vector<TEventSource*> sources = sources_;
    for (TEventSource* source : sources) {
        if (IsSource(source) && source->HasPending())
            source->Dispatch();
    }

    // One task at a time, as a message queue hands them out, so that a
    // nested pass takes the next task rather than reordering them.
    std::size_t budget;
    {
        std::lock_guard lock(postedMutex_);
        budget = posted_.size();
    }
    while (budget-- > 0) {
        std::function<void()> task;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty())
                break;
            task = std::move(posted_.front());
            posted_.pop_front();
        }
        task();
    }
}

void TEventLoop::RunOnce(std::chrono::milliseconds maxWait)
{
    bool pending = false;
    {
        std::lock_guard lock(postedMutex_);
        pending = !posted_.empty();
    }
    for (const TEventSource* source : sources_)
        pending = pending || source->HasPending();

    if (!pending) {
        const auto deadline = std::min(Clock::now() + maxWait, NextDue());
        (void)wake_.try_acquire_until(deadline);
    }
    while (wake_.try_acquire()) {
    }
    ProcessMessages();
}

bool TEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto now = Clock::now();
        if (now >= deadline)
            return done();
        RunOnce(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                std::chrono::milliseconds(1));
    }
    return true;
}

void TEventLoop::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(task));
    }
    Wake();
}

void TEventLoop::Wake() noexcept
{
    wake_.release();
}

void TEventLoop::AddSource(TEventSource& source)
{
    if (!IsSource(&source))
        sources_.push_back(&source);
}

void TEventLoop::RemoveSource(TEventSource& source)
{
    std::erase(sources_, &source);
}

void TEventLoop::AddTimer(TLoopTimer& timer)
{
    timers_.push_back(&timer);
}

void TEventLoop::RemoveTimer(TLoopTimer& timer)
{
    std::erase(timers_, &timer);
}

bool TEventLoop::IsTimer(const TLoopTimer* timer) const
{
    return std::find(timers_.begin(), timers_.end(), timer) != timers_.end();
}

bool TEventLoop::IsSource(const TEventSource* source) const
{
    return std::find(sources_.begin(), sources_.end(), source) != sources_.end();
}

TEventLoop::Clock::time_point TEventLoop::NextDue() const
{
    auto next = Clock::time_point::max();
    for (const TLoopTimer* timer : timers_)
        if (timer->enabled_)
            next = std::min(next, timer->due_);
    return next;
}

TLoopTimer::TLoopTimer(TEventLoop& loop, std::chrono::milliseconds interval,
                       std::function<void()> onTimer)
    : loop_(loop), interval_(interval), onTimer_(std::move(onTimer))
{
    loop_.AddTimer(*this);
}

TLoopTimer::~TLoopTimer()
{
    loop_.RemoveTimer(*this);
}

void TLoopTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled_)
        due_ = TEventLoop::Clock::now() + interval_;
}

TLoopAckClock::TLoopAckClock(TEventLoop& loop, std::chrono::milliseconds interval)
    : timer_(loop, interval, [this] { timer_.SetEnabled(false); })
{
}

TLoopTimerClock::TLoopTimerClock(TEventLoop& loop, std::function<void()> onExpiry)
    : timer_(loop, std::chrono::milliseconds(0),
             [this] {
                 timer_.SetEnabled(false);
                 if (onExpiry_)
                     onExpiry_();
             }),
      onExpiry_(std::move(onExpiry))
{
}

void TLoopTimerClock::Start(std::chrono::milliseconds interval)
{
    timer_.SetEnabled(false);
    timer_.SetInterval(interval);
    timer_.SetEnabled(true);
}

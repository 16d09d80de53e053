#pragma once
// A plain C++ message loop for the tools and the tests, standing in for the
// window toolkit's: timers and notifications run only inside ProcessMessages,
// on the thread that owns the loop, and ProcessMessages may be called nested
// from inside a handler (as an acknowledgement wait does).

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <semaphore>
#include <vector>

#include "AckClock.h"
#include "MessagePump.h"
#include "TimerClock.h"

class TLoopTimer;

// Something the loop polls on every pass, e.g. a notification target whose
// producers post from other threads without locks.
class TEventSource {
public:
    virtual ~TEventSource() = default;
    virtual bool HasPending() const = 0;
    // Handles what is pending (owner thread); may nest ProcessMessages.
    virtual void Dispatch() = 0;
};

class TEventLoop final : public TMessagePump {
public:
    using Clock = std::chrono::steady_clock;

    TEventLoop() = default;
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    // Fires due timers, dispatches the sources and runs the posted tasks
    // that are pending now; never waits.
    void ProcessMessages() override;

    // Waits until work is posted, a source is woken or a timer is due (at
    // most maxWait), then processes once.
    void RunOnce(std::chrono::milliseconds maxWait);

    // Runs until done() holds or the timeout passes; returns done().
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // Queues a task to run on the owner's thread. Any thread; takes a short lock.
    void Post(std::function<void()> task);

    // Ends a wait in RunOnce. Any thread; takes no lock and never blocks.
    void Wake() noexcept;

    void AddSource(TEventSource& source);
    void RemoveSource(TEventSource& source);

private:
    friend class TLoopTimer;
    void AddTimer(TLoopTimer& timer);
    void RemoveTimer(TLoopTimer& timer);
    bool IsTimer(const TLoopTimer* timer) const;
    bool IsSource(const TEventSource* source) const;
    Clock::time_point NextDue() const;

    std::vector<TLoopTimer*> timers_;
    std::vector<TEventSource*> sources_;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    std::counting_semaphore<> wake_{0};
};

// A toolkit-style interval timer: while enabled it fires every Interval,
// inside the loop's ProcessMessages. Handlers that disable it make it one-shot.
class TLoopTimer {
public:
    TLoopTimer(TEventLoop& loop, std::chrono::milliseconds interval, std::function<void()> onTimer);
    ~TLoopTimer();
    TLoopTimer(const TLoopTimer&) = delete;
    TLoopTimer& operator=(const TLoopTimer&) = delete;

    // Enabling a running timer changes nothing; disabling and enabling again restarts it.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    std::chrono::milliseconds Interval() const { return interval_; }
    // Takes effect at the next enabling.
    void SetInterval(std::chrono::milliseconds interval) { interval_ = interval; }

private:
    friend class TEventLoop;
    TEventLoop& loop_;
    std::chrono::milliseconds interval_;
    std::function<void()> onTimer_;
    bool enabled_ = false;
    TEventLoop::Clock::time_point due_{};
};

// The acknowledgement clock on a loop timer: 1000 ms, one-shot.
class TLoopAckClock final : public TAckClock {
public:
    explicit TLoopAckClock(TEventLoop& loop,
                           std::chrono::milliseconds interval = std::chrono::milliseconds(1000));
    void Start() override { timer_.SetEnabled(true); }
    void Stop() override { timer_.SetEnabled(false); }
    bool Enabled() const override { return timer_.Enabled(); }

private:
    TLoopTimer timer_;
};

// A one-shot clock on a loop timer; onExpiry runs when it runs out.
class TLoopTimerClock final : public TTimerClock {
public:
    TLoopTimerClock(TEventLoop& loop, std::function<void()> onExpiry);
    void Start(std::chrono::milliseconds interval) override;
    void Stop() override { timer_.SetEnabled(false); }
    bool Enabled() const override { return timer_.Enabled(); }

private:
    TLoopTimer timer_;
    std::function<void()> onExpiry_;
};

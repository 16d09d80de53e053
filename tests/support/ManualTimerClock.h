#pragma once
// A bridge clock that the test runs out by hand, by calling the handler the
// clock stands for: it never runs out by itself, so nothing depends on how
// fast the machine is.

#include "TimerClock.h"

class TManualTimerClock final : public TTimerClock {
public:
    void Start(std::chrono::milliseconds interval) override
    {
        enabled_ = true;
        lastInterval = interval;
        ++starts;
    }
    void Stop() override { enabled_ = false; }
    bool Enabled() const override { return enabled_; }

    // What the one-shot clock does when it runs out, before its handler runs.
    void RunOut() { enabled_ = false; }

    std::chrono::milliseconds lastInterval{};
    int starts = 0;

private:
    bool enabled_ = false;
};

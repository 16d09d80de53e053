#pragma once
// An acknowledgement clock that the test runs out by hand: it never expires
// because the machine is slow. Only after FailureBound of wall time does it
// run out by itself, so that a broken test fails instead of hanging in a
// wait for an answer that never comes.

#include <chrono>

#include "AckClock.h"
#include "WaitUntil.h"

class TManualClock final : public TAckClock {
public:
    void Start() override
    {
        if (!enabled_)
            started_ = std::chrono::steady_clock::now();
        enabled_ = true;
        ++starts;
    }
    void Stop() override { enabled_ = false; }
    bool Enabled() const override
    {
        return enabled_ && std::chrono::steady_clock::now() - started_ < FailureBound;
    }

    // What the one-shot clock does when its interval has passed.
    void RunOut() { enabled_ = false; }

    int starts = 0;

private:
    bool enabled_ = false;
    std::chrono::steady_clock::time_point started_{};
};

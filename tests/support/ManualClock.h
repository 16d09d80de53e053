#pragma once
// An acknowledgement clock that only the test runs out: it never expires by
// itself, so no wait depends on how fast the machine is.

#include "AckClock.h"

class TManualClock final : public TAckClock {
public:
    void Start() override
    {
        enabled_ = true;
        ++starts;
    }
    void Stop() override { enabled_ = false; }
    bool Enabled() const override { return enabled_; }

    // What the one-shot clock does when its interval has passed.
    void RunOut() { enabled_ = false; }

    int starts = 0;

private:
    bool enabled_ = false;
};

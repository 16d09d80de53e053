#pragma once
// The one-shot clock that bounds an acknowledgement wait (the window's Timer1:
// 1000 ms, disabled by its own handler when it fires). The wait tests Enabled()
// after processing messages; the clock can only run out while messages are
// being processed.

class TAckClock {
public:
    virtual ~TAckClock() = default;
    // Enables the clock. Enabling a clock that runs already does not restart it.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Enabled() const = 0;
};

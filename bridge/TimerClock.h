#pragma once
// A one-shot clock of the owner's message loop (a window timer, or a timer of
// the plain event loop). When it runs out, the owner calls the handler it was
// made for, on the owner's thread, inside the loop's message processing.

#include <chrono>

class TTimerClock {
public:
    virtual ~TTimerClock() = default;
    // (Re)starts the clock: it runs out once, interval from now. An interval
    // of 0 runs out at the loop's next pass.
    virtual void Start(std::chrono::milliseconds interval) = 0;
    virtual void Stop() = 0;
    virtual bool Enabled() const = 0;
};

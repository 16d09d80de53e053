#pragma once
// "Process pending messages" as a long wait calls it, so that the window (or
// the plain event loop) stays responsive: timers fire and notifications run
// nested inside the wait.

class TMessagePump {
public:
    virtual ~TMessagePump() = default;
    // Handles everything that is pending now, then returns; never waits.
    virtual void ProcessMessages() = 0;
};

#pragma once
// The owner's message loop as the live session and the window model build on
// it: the pump an acknowledgement wait processes messages with, the
// acknowledgement clock, one-shot clocks whose expiry runs a handler on the
// owner's thread, and the target the MIDI driver's thread posts to. The
// window's toolkit gives its own; torem-live gives the plain event loop's;
// tests give clocks they run out by hand.
//
// An exception of a clock's handler or of the MIDI input's handler goes
// where the loop's errors go: the plain loop lets it out of
// ProcessMessages to whoever runs it; a toolkit's loop, which cannot pass
// it on, to the window's error report.

#include <functional>
#include <memory>
#include <string_view>

#include "AckClock.h"
#include "MessagePump.h"
#include "NotificationTarget.h"
#include "TimerClock.h"

class TMessageLoop {
public:
    virtual ~TMessageLoop() = default;

    virtual TMessagePump& Pump() = 0;
    // The 1000 ms one-shot clock that bounds each acknowledgement wait.
    virtual TAckClock& AckClock() = 0;
    // A one-shot clock; onRunOut runs on the owner's thread, inside the
    // loop's message processing. name is what the toolkit may call it.
    virtual std::unique_ptr<TTimerClock> NewClock(std::string_view name, std::function<void()> onRunOut) = 0;
    // The target of a MIDI input.
    virtual std::unique_ptr<TNotificationTarget> NewNotificationTarget() = 0;
};

#pragma once
// The small lamp that flashes for incoming MIDI events while the serial port
// is open: lit at each event, dark again 100 ms after the last one. The
// window implements it with Shape5 and Timer2; tests record the calls.

class TActivityIndicator {
public:
    virtual ~TActivityIndicator() = default;
    // Red when lit, maroon when dark.
    virtual void SetLit(bool lit) = 0;
    // Disables, then enables the 100 ms one-shot clock whose expiry calls
    // the bridge's Timer2Timer.
    virtual void RestartClock() = 0;
    virtual void StopClock() = 0;
};

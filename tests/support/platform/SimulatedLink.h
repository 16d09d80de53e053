#pragma once
// The serial link wired to a simulated device over a real pseudo-terminal:
// the simulator (started), the system's serial ports, and an acknowledgement
// clock and message pump that the test drives by hand. A wait for an answer
// that does not come ends only when the test runs the clock out.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DeviceSimulator.h"
#include "ManualClock.h"
#include "PosixSerialDevice.h"
#include "Rs232Link.h"
#include "StepPump.h"

struct TSimulatedLink {
    explicit TSimulatedLink(const TSimOptions& options = {});

    // The clock runs out on pass `pass` of the `wait`-th acknowledgement wait
    // from now (1: a change's start byte, 2: its level).
    void RunOutClock(int wait, int pass);

    TDeviceSimulator Sim;
    TPosixSerialPorts Ports;
    TManualClock Clock;
    TStepPump Pump;
    TRs232Link Link;
};

// Written behind the bytes under test by AllReceived; no test sends it.
inline constexpr std::uint8_t ProbeMarker = 0xEE;

// What sim received, once everything written to its port so far has
// arrived: a marker byte written through handle (any open handle of that
// port) is waited for. count is how many bytes the test expects; more or
// fewer show as a different result.
std::vector<std::uint8_t> AllReceived(TDeviceSimulator& sim, TComHandle& handle, std::size_t count);

// Bytes waiting in the receive queue of an open port (-1 if it is no POSIX
// serial device).
int QueuedInput(const TComHandle& handle);

// Waits until the port's receive queue holds at least count bytes: the
// pseudo-terminal hands bytes over on a kernel worker, a moment after they
// were written.
bool WaitForQueuedInput(const TComHandle& handle, int count);

#pragma once
// The serial link wired to a simulated device (a real pseudo-terminal where
// the system has them, SimulatedDevice.h): the simulator (started), the
// ports that reach it, and an acknowledgement
// clock and message pump that the test drives by hand. A wait for an answer
// that does not come ends only when the test runs the clock out.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ManualClock.h"
#include "Rs232Link.h"
#include "SimulatedDevice.h"
#include "StepPump.h"

struct TSimulatedLink {
    explicit TSimulatedLink(const TSimOptions& options = {});

    // The clock runs out on pass `pass` of the `wait`-th acknowledgement wait
    // from now (1: a change's start byte, 2: its level).
    void RunOutClock(int wait, int pass);

    TSimulatedDevice Sim;
    TSimulatedPorts Ports;
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
std::vector<std::uint8_t> AllReceived(TDeviceProtocol& sim, TComHandle& handle, std::size_t count);

// Waits until the port's receive queue holds at least count bytes: a
// pseudo-terminal hands bytes over on a kernel worker, a moment after they
// were written.
bool WaitForQueuedInput(const TComHandle& handle, int count);

#pragma once
// The serial link wired to a simulated device over a real pseudo-terminal:
// the simulator (started), the system's serial ports, a plain event loop as
// the message pump, and its one-shot acknowledgement clock.

#include <chrono>
#include <cstddef>

#include "DeviceSimulator.h"
#include "EventLoop.h"
#include "PosixSerialDevice.h"
#include "Rs232Link.h"

struct TSimulatedLink {
    explicit TSimulatedLink(const TSimOptions& options = {},
                            std::chrono::milliseconds ackInterval = std::chrono::milliseconds(1000));

    TDeviceSimulator Sim;
    TPosixSerialPorts Ports;
    TEventLoop Loop;
    TLoopAckClock Clock;
    TRs232Link Link;
};

// Bytes waiting in the receive queue of an open port (-1 if it is no POSIX
// serial device).
int QueuedInput(const TComHandle& handle);

// Waits until the port's receive queue holds at least count bytes.
bool WaitForQueuedInput(const TComHandle& handle, int count,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

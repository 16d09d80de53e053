#pragma once
// The simulated device and the ports that reach it, for the tests of the
// serial link and the live bridge: on POSIX systems the device simulator on
// a real pseudo-terminal, opened through the system's serial ports; on
// Windows, which has no pseudo-terminals, the same device on a line in
// memory.

#include <string>

#include "SerialDevice.h"

#if defined(_WIN32)
#include "MemoryDeviceSimulator.h"
using TSimulatedDevice = TMemoryDeviceSimulator;
using TSimulatedPorts = TMemorySerialPorts;
#else
#include "DeviceSimulator.h"
#include "PosixSerialDevice.h"
using TSimulatedDevice = TDeviceSimulator;
using TSimulatedPorts = TPosixSerialPorts;
#endif

// Bytes waiting in the receive queue of an open port (-1 if it is no port of
// a simulated device).
int QueuedInput(const TComHandle& handle);

// Makes name open device's port from now on, replacing what it opened
// before, as torem-devsim --link does.
bool PointPortName(const std::string& name, const TSimulatedDevice& device);
// Makes name open nothing, as a device that is unplugged takes its name with
// it. A hung-up device's own port may soon belong to another test's device:
// the system hands its number out again.
bool UnplugPortName(const std::string& name);

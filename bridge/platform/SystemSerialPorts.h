#pragma once
// The serial ports of the system the program is built for: how to open one,
// and which ones the system reports.

#include <string>
#include <vector>

#if defined(_WIN32)
#include "Win32SerialDevice.h"
using TSystemSerialPorts = TWin32SerialPorts;
#else
#include "PosixSerialDevice.h"
using TSystemSerialPorts = TPosixSerialPorts;
#endif

// The serial ports present now (built-in ports, USB adapters), by the name a
// program opens them with ("/dev/ttyUSB0", "COM3"), in natural order.
std::vector<std::string> SystemSerialPortPaths();

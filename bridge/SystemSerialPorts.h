#pragma once
// The serial ports of the system the program is built for.

#if defined(_WIN32)
#include "Win32SerialDevice.h"
using TSystemSerialPorts = TWin32SerialPorts;
#else
#include "PosixSerialDevice.h"
using TSystemSerialPorts = TPosixSerialPorts;
#endif

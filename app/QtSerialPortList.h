#pragma once
// The serial ports the system reports (USB adapters, built-in ports), by the
// path a program opens them with, e.g. "/dev/ttyUSB0".

#include <string>
#include <vector>

// In natural order ("/dev/ttyS2" before "/dev/ttyS10").
std::vector<std::string> SystemSerialPortPaths();

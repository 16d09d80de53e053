#pragma once
// Serial devices on Windows through the Win32 communications API. Built on
// Windows only.

#include <string>

#include "SerialDevice.h"

class TWin32SerialPorts final : public TSerialPorts {
public:
    // Opens the device by name as it stands ("COM1".."COM4"), for exclusive
    // use, with synchronous (non-overlapped) I/O.
    TComHandle Open(const std::string& name) override;
    TOpenProblem LastOpenProblem() const override { return lastProblem_; }

private:
    TOpenProblem lastProblem_ = TOpenProblem::None;
};

#pragma once
// Serial devices on Windows through the Win32 communications API. Built on
// Windows only.

#include <string>

#include "SerialDevice.h"

class TWin32SerialDevice final : public TSerialDevice {
public:
    // Takes over handle (a HANDLE): open for exclusive use, synchronous I/O.
    explicit TWin32SerialDevice(void* handle) noexcept : handle_(handle) {}
    ~TWin32SerialDevice() override;
    TWin32SerialDevice(const TWin32SerialDevice&) = delete;
    TWin32SerialDevice& operator=(const TWin32SerialDevice&) = delete;

    bool GetLineSettings(TLineSettings& settings) override;
    // Written over the driver's own state, so that every field that is not
    // ours (the XON and XOFF limits and characters, the error, end-of-file
    // and event characters) keeps the value the driver reported.
    bool SetLineSettings(const TLineSettings& settings) override;
    bool SetTimeouts(const TCommTimeouts& timeouts) override;
    bool Purge() override;
    // A write that times out succeeds with nothing written.
    bool WriteByte(std::uint8_t byte) override;
    TReadResult ReadByte(std::uint8_t& byte) override;
    bool Close() override;
    // An unplugged adapter fails the driver's status call.
    bool StillThere() override;

    // The HANDLE; INVALID_HANDLE_VALUE once closed.
    void* NativeHandle() const noexcept { return handle_; }

private:
    bool ReadState(void* dcb);

    void* handle_;
};

class TWin32SerialPorts final : public TSerialPorts {
public:
    // Opens DevicePath(name) for exclusive use, with synchronous
    // (non-overlapped) I/O.
    TComHandle Open(const std::string& name) override;
    TOpenProblem LastOpenProblem() const override { return lastProblem_; }

    // The name CreateFileW opens: "COM1".."COM256" (any case) in the device
    // namespace, "\\.\COM12", since a plain name above COM9 opens nothing;
    // every other name (a "\\.\" name, a path) as it stands. UTF-8 in,
    // UTF-16 out.
    static std::wstring DevicePath(const std::string& name);

private:
    TOpenProblem lastProblem_ = TOpenProblem::None;
};

#pragma once
// Serial devices on Linux and other POSIX systems, through termios directly.
// Reads and writes are bounded with poll(), so the time-outs are met to the
// millisecond (termios' own VTIME counts tenths of a second).

#include <string>

#include "SerialDevice.h"

class TPosixSerialDevice final : public TSerialDevice {
public:
    // Takes over fd: open, locked for exclusive use, non-blocking; path is
    // the name it was opened by (empty: none to watch).
    explicit TPosixSerialDevice(int fd, std::string path = {}) noexcept;
    ~TPosixSerialDevice() override;
    TPosixSerialDevice(const TPosixSerialDevice&) = delete;
    TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;

    // Reports the termios state in the link's terms; a speed that is not a
    // plain baud rate reads as 0.
    bool GetLineSettings(TLineSettings& settings) override;
    // Raw mode with the given speed, data bits, parity and stop bits, no
    // flow control and no parity check; DTR and RTS lowered where the line
    // has modem control (a pseudo-terminal has none, which is fine). Mark and
    // space parity and one and a half stop bits have no termios form: false.
    bool SetLineSettings(const TLineSettings& settings) override;
    // One-byte bounds: a read waits ReadTotalTimeoutMultiplier +
    // ReadTotalTimeoutConstant ms, a write WriteTotalTimeoutMultiplier +
    // WriteTotalTimeoutConstant ms; zero means no bound (and a read interval
    // of 0xFFFFFFFF with zero totals means "return at once").
    bool SetTimeouts(const TCommTimeouts& timeouts) override;
    bool Purge() override;
    // A write that finds no room in the output queue before its time-out
    // writes nothing and still succeeds, as a Windows driver reports it.
    bool WriteByte(std::uint8_t byte) override;
    // A hang-up or error of the line (far end closed, adapter unplugged) is
    // a failure, not a time-out.
    TReadResult ReadByte(std::uint8_t& byte) override;
    bool Close() override;
    // Gone when the line shows a hang-up or an error, or when its name is
    // gone or names another device now (an adapter unplugged, a simulator
    // started again on the same link).
    bool StillThere() override;

    // The descriptor, -1 once closed.
    int NativeHandle() const noexcept { return fd_; }

private:
    int fd_;
    std::string path_;
    int readTimeoutMs_ = -1;   // -1 = no bound
    int writeTimeoutMs_ = -1;
};

class TPosixSerialPorts final : public TSerialPorts {
public:
    // Opens DevicePath(name) for exclusive use: a port that this or another
    // program holds gives an empty handle, even for root.
    TComHandle Open(const std::string& name) override;
    TOpenProblem LastOpenProblem() const override { return lastProblem_; }

    // "COM1".."COM9" (any case) are the system's first serial devices
    // (/dev/ttyS0../dev/ttyS8 on Linux); every other name, a path such as
    // "/dev/ttyUSB0" or "/dev/pts/3" included, is used as it stands.
    static std::string DevicePath(const std::string& name);
    // What an errno of open() says about the port.
    static TOpenProblem ProblemOfOpenError(int error);

private:
    TOpenProblem lastProblem_ = TOpenProblem::None;
};

#pragma once
// The serial port as the link to the device sees it: one small interface per
// platform (POSIX termios, Win32), so that the link itself stays plain C++.

#include <cstdint>
#include <memory>
#include <string>

// Line settings as the driver reports them. The link overwrites the baud rate,
// the flag word, the data bits, the parity and the stop bits; the remaining
// fields are kept as the driver reported them.
struct TLineSettings {
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;     // 1 = binary mode, every other flag off (no flow control, DTR/RTS off)
    std::uint8_t ByteSize = 8;   // data bits
    std::uint8_t Parity = 0;     // 0 = none
    std::uint8_t StopBits = 0;   // 0 = one stop bit
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// Time-outs in milliseconds. A one-byte read returns within
// ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant, a one-byte write
// within WriteTotalTimeoutMultiplier + WriteTotalTimeoutConstant.
struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

enum class TReadResult {
    Byte,      // one byte was read
    TimedOut,  // nothing arrived within the read time-out (a success, not a failure)
    Failed,    // the read failed: error, hang-up, adapter gone
};

// An open serial device. Every call moves at most one byte.
class TSerialDevice {
public:
    virtual ~TSerialDevice() = default;

    virtual bool GetLineSettings(TLineSettings& settings) = 0;
    virtual bool SetLineSettings(const TLineSettings& settings) = 0;
    virtual bool SetTimeouts(const TCommTimeouts& timeouts) = 0;
    // Aborts pending transfers and discards both driver queues.
    virtual bool Purge() = 0;
    virtual bool WriteByte(std::uint8_t byte) = 0;
    virtual TReadResult ReadByte(std::uint8_t& byte) = 0;
    // Releases the device. The object must not be used for I/O afterwards.
    virtual bool Close() = 0;
};

// The caller's handle of an open port; empty is the invalid handle.
using TComHandle = std::unique_ptr<TSerialDevice>;

// Opens serial devices by the name the user chose, for exclusive use.
class TSerialPorts {
public:
    virtual ~TSerialPorts() = default;
    // The open device, or an empty handle when it cannot be opened.
    virtual TComHandle Open(const std::string& name) = 0;
};

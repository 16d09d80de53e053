#pragma once
// The serial port as the link to the device sees it: one small interface per
// platform (POSIX termios, Win32), so that the link itself stays plain C++.

#include <cstdint>
#include <memory>
#include <string>

// The speed of a line. Any rate a driver reports fits; the enumerators name
// the usual ones.
enum class TBaudRate : std::uint32_t {
    Unknown = 0,  // the driver reports a rate without a number
    Baud9600 = 9600,
    Baud19200 = 19200,
    Baud38400 = 38400,
    Baud57600 = 57600,
    Baud115200 = 115200,
};

// The character format of a line. The values are those of the Windows device
// control block, so that the Win32 device passes them through.
enum class TDataBits : std::uint8_t { Five = 5, Six = 6, Seven = 7, Eight = 8 };
enum class TParity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class TStopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// The line settings the link chooses. Flow control and the modem lines are no
// settings: the device link never wants anything but no flow control of any
// kind and DTR and RTS held off, so every serial device applies exactly that.
struct TLineSettings {
    TBaudRate BaudRate = TBaudRate::Unknown;
    TDataBits DataBits = TDataBits::Eight;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::One;

    bool operator==(const TLineSettings&) const = default;
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

    // Reads the line settings the driver has now; false when the device has
    // none to read (it is no serial line, or it is gone).
    virtual bool GetLineSettings(TLineSettings& settings) = 0;
    // Applies settings in raw (binary) mode with no flow control and no
    // parity check, DTR and RTS held off; whatever else the driver keeps (XON
    // and XOFF characters and limits, the error, end-of-file and event
    // characters) stays as the driver has it.
    virtual bool SetLineSettings(const TLineSettings& settings) = 0;
    virtual bool SetTimeouts(const TCommTimeouts& timeouts) = 0;
    // Aborts pending transfers and discards both driver queues.
    virtual bool Purge() = 0;
    virtual bool WriteByte(std::uint8_t byte) = 0;
    virtual TReadResult ReadByte(std::uint8_t& byte) = 0;
    // Releases the device. The object must not be used for I/O afterwards.
    virtual bool Close() = 0;
    // Whether the device is still there, asked while nothing is sent: no
    // hang-up or error shows on the line, and (where the system can tell)
    // the name it was opened by still names it. Never waits.
    virtual bool StillThere() { return true; }
};

// The caller's handle of an open port; empty is the invalid handle.
using TComHandle = std::unique_ptr<TSerialDevice>;

// Why a port could not be opened, as far as the system tells.
enum class TOpenProblem : std::uint8_t {
    None,
    NotFound,          // no such device (unplugged, mistyped)
    InUse,             // held by another program, or by this one
    PermissionDenied,  // the user may not open it
    Other,
};

// Opens serial devices by the name the user chose, for exclusive use.
class TSerialPorts {
public:
    virtual ~TSerialPorts() = default;
    // The open device, or an empty handle when it cannot be opened.
    virtual TComHandle Open(const std::string& name) = 0;
    // Why the last Open failed; None after one that succeeded.
    virtual TOpenProblem LastOpenProblem() const { return TOpenProblem::Other; }
};

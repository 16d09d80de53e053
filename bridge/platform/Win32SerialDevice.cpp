#include "Win32SerialDevice.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// The flag word of the line settings is the DCB's bit-field word, bit for bit.
std::uint32_t FlagsOf(const DCB& dcb)
{
    const auto at = [](DWORD field, unsigned shift) { return static_cast<std::uint32_t>(field) << shift; };
    return at(dcb.fBinary, 0) | at(dcb.fParity, 1) | at(dcb.fOutxCtsFlow, 2) | at(dcb.fOutxDsrFlow, 3) |
           at(dcb.fDtrControl, 4) | at(dcb.fDsrSensitivity, 6) | at(dcb.fTXContinueOnXoff, 7) |
           at(dcb.fOutX, 8) | at(dcb.fInX, 9) | at(dcb.fErrorChar, 10) | at(dcb.fNull, 11) |
           at(dcb.fRtsControl, 12) | at(dcb.fAbortOnError, 14);
}

void SetFlags(DCB& dcb, std::uint32_t flags)
{
    dcb.fBinary = flags & 1;
    dcb.fParity = (flags >> 1) & 1;
    dcb.fOutxCtsFlow = (flags >> 2) & 1;
    dcb.fOutxDsrFlow = (flags >> 3) & 1;
    dcb.fDtrControl = (flags >> 4) & 3;
    dcb.fDsrSensitivity = (flags >> 6) & 1;
    dcb.fTXContinueOnXoff = (flags >> 7) & 1;
    dcb.fOutX = (flags >> 8) & 1;
    dcb.fInX = (flags >> 9) & 1;
    dcb.fErrorChar = (flags >> 10) & 1;
    dcb.fNull = (flags >> 11) & 1;
    dcb.fRtsControl = (flags >> 12) & 3;
    dcb.fAbortOnError = (flags >> 14) & 1;
}

class TWin32SerialDevice final : public TSerialDevice {
public:
    explicit TWin32SerialDevice(HANDLE handle) : handle_(handle) {}
    ~TWin32SerialDevice() override
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            (void)Close();
    }
    TWin32SerialDevice(const TWin32SerialDevice&) = delete;
    TWin32SerialDevice& operator=(const TWin32SerialDevice&) = delete;

    bool GetLineSettings(TLineSettings& settings) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!GetCommState(handle_, &dcb))
            return false;
        settings.BaudRate = dcb.BaudRate;
        settings.Flags = FlagsOf(dcb);
        settings.ByteSize = dcb.ByteSize;
        settings.Parity = dcb.Parity;
        settings.StopBits = dcb.StopBits;
        settings.XonLim = dcb.XonLim;
        settings.XoffLim = dcb.XoffLim;
        settings.XonChar = dcb.XonChar;
        settings.XoffChar = dcb.XoffChar;
        settings.ErrorChar = dcb.ErrorChar;
        settings.EofChar = dcb.EofChar;
        settings.EvtChar = dcb.EvtChar;
        return true;
    }

    bool SetLineSettings(const TLineSettings& settings) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        dcb.BaudRate = settings.BaudRate;
        SetFlags(dcb, settings.Flags);
        dcb.ByteSize = settings.ByteSize;
        dcb.Parity = settings.Parity;
        dcb.StopBits = settings.StopBits;
        dcb.XonLim = settings.XonLim;
        dcb.XoffLim = settings.XoffLim;
        dcb.XonChar = settings.XonChar;
        dcb.XoffChar = settings.XoffChar;
        dcb.ErrorChar = settings.ErrorChar;
        dcb.EofChar = settings.EofChar;
        dcb.EvtChar = settings.EvtChar;
        return SetCommState(handle_, &dcb) != FALSE;
    }

    bool SetTimeouts(const TCommTimeouts& timeouts) override
    {
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
        t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
        t.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
        t.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
        t.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
        return SetCommTimeouts(handle_, &t) != FALSE;
    }

    bool Purge() override
    {
        return PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
    }

    // A write that times out succeeds with nothing written.
    bool WriteByte(std::uint8_t byte) override
    {
        DWORD written = 0;
        return WriteFile(handle_, &byte, 1, &written, nullptr) != FALSE;
    }

    TReadResult ReadByte(std::uint8_t& byte) override
    {
        DWORD got = 0;
        if (!ReadFile(handle_, &byte, 1, &got, nullptr))
            return TReadResult::Failed;
        return got == 1 ? TReadResult::Byte : TReadResult::TimedOut;
    }

    bool Close() override
    {
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

private:
    HANDLE handle_;
};

} // namespace

TComHandle TWin32SerialPorts::Open(const std::string& name)
{
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    return std::make_unique<TWin32SerialDevice>(handle);
}

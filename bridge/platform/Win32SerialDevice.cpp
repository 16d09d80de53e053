#include "Win32SerialDevice.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "Utf8.h"

namespace {

static_assert(static_cast<BYTE>(TParity::None) == NOPARITY && static_cast<BYTE>(TParity::Odd) == ODDPARITY &&
              static_cast<BYTE>(TParity::Even) == EVENPARITY && static_cast<BYTE>(TParity::Mark) == MARKPARITY &&
              static_cast<BYTE>(TParity::Space) == SPACEPARITY);
static_assert(static_cast<BYTE>(TStopBits::One) == ONESTOPBIT &&
              static_cast<BYTE>(TStopBits::OneAndHalf) == ONE5STOPBITS &&
              static_cast<BYTE>(TStopBits::Two) == TWOSTOPBITS);

// The flag word exactly 1: binary mode on and every other flag off, that is
// no parity check, no CTS, DSR or XON/XOFF flow control, DTR and RTS held
// off, no error-character replacement, no null stripping, no abort on error.
void SetLinkFlags(DCB& dcb)
{
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.fDummy2 = 0;
}

} // namespace

TWin32SerialDevice::~TWin32SerialDevice()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        (void)Close();
}

bool TWin32SerialDevice::ReadState(void* state)
{
    auto& dcb = *static_cast<DCB*>(state);
    dcb.DCBlength = sizeof(dcb);
    return GetCommState(handle_, &dcb) != FALSE;
}

bool TWin32SerialDevice::GetLineSettings(TLineSettings& settings)
{
    DCB dcb{};
    if (!ReadState(&dcb))
        return false;
    settings.BaudRate = TBaudRate{dcb.BaudRate};
    settings.DataBits = static_cast<TDataBits>(dcb.ByteSize);
    settings.Parity = static_cast<TParity>(dcb.Parity);
    settings.StopBits = static_cast<TStopBits>(dcb.StopBits);
    return true;
}

bool TWin32SerialDevice::SetLineSettings(const TLineSettings& settings)
{
    DCB dcb{};
    if (!ReadState(&dcb))
        return false;
    dcb.BaudRate = static_cast<DWORD>(settings.BaudRate);
    SetLinkFlags(dcb);
    dcb.ByteSize = static_cast<BYTE>(settings.DataBits);
    dcb.Parity = static_cast<BYTE>(settings.Parity);
    dcb.StopBits = static_cast<BYTE>(settings.StopBits);
    return SetCommState(handle_, &dcb) != FALSE;
}

bool TWin32SerialDevice::SetTimeouts(const TCommTimeouts& timeouts)
{
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    return SetCommTimeouts(handle_, &t) != FALSE;
}

bool TWin32SerialDevice::Purge()
{
    return PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
}

bool TWin32SerialDevice::WriteByte(std::uint8_t byte)
{
    DWORD written = 0;
    return WriteFile(handle_, &byte, 1, &written, nullptr) != FALSE;
}

TReadResult TWin32SerialDevice::ReadByte(std::uint8_t& byte)
{
    DWORD got = 0;
    if (!ReadFile(handle_, &byte, 1, &got, nullptr))
        return TReadResult::Failed;
    return got == 1 ? TReadResult::Byte : TReadResult::TimedOut;
}

bool TWin32SerialDevice::StillThere()
{
    DWORD errors = 0;
    COMSTAT status{};
    return handle_ != INVALID_HANDLE_VALUE && ClearCommError(handle_, &errors, &status) != FALSE;
}

bool TWin32SerialDevice::Close()
{
    const BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
}

std::wstring TWin32SerialPorts::DevicePath(const std::string& name)
{
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    const bool comPort = name.size() > 3 && upper(name[0]) == 'C' && upper(name[1]) == 'O' &&
                         upper(name[2]) == 'M' && name[3] != '0' &&
                         name.find_first_not_of("0123456789", 3) == std::string::npos;
    return WideFromUtf8(comPort ? "\\\\.\\" + name : name);
}

TComHandle TWin32SerialPorts::Open(const std::string& name)
{
    const HANDLE handle = CreateFileW(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            lastProblem_ = TOpenProblem::NotFound;
            break;
        case ERROR_ACCESS_DENIED:  // what Windows says of a port another program holds
        case ERROR_SHARING_VIOLATION:
            lastProblem_ = TOpenProblem::InUse;
            break;
        default:
            lastProblem_ = TOpenProblem::Other;
            break;
        }
        return {};
    }
    lastProblem_ = TOpenProblem::None;
    return std::make_unique<TWin32SerialDevice>(handle);
}

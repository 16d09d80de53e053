#include "WinMmDeviceLayer.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

#include <iterator>
#include <new>

#include "Utf8.h"

namespace {
// What an open handle stands for: the device and where its callback goes.
struct TOpenDevice {
    HMIDIIN Device = nullptr;
    TMidiInCallback Callback = nullptr;
    void* Instance = nullptr;
};

TOpenDevice* FromHandle(TMidiInHandle handle)
{
    return reinterpret_cast<TOpenDevice*>(handle);
}

// Each of our headers carries its MIDIHDR in LayerData while prepared.
MIDIHDR* HeaderFor(TMidiHeader& header)
{
    if (header.LayerData == nullptr) {
        auto* midiHeader = new (std::nothrow) MIDIHDR{};
        if (midiHeader == nullptr)
            return nullptr;
        midiHeader->lpData = reinterpret_cast<LPSTR>(header.Data);
        midiHeader->dwBufferLength = header.BufferLength;
        midiHeader->dwUser = reinterpret_cast<DWORD_PTR>(&header);
        header.LayerData = midiHeader;
    }
    return static_cast<MIDIHDR*>(header.LayerData);
}

void CALLBACK MidiInProc(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2)
{
    const auto* device = reinterpret_cast<const TOpenDevice*>(instance);
    const auto timestamp = static_cast<std::uint32_t>(param2);
    switch (message) {
    case MIM_DATA:
        device->Callback(device->Instance, TMidiInMessage::Data, static_cast<std::uint32_t>(param1), nullptr,
                         timestamp);
        break;
    case MIM_ERROR:
        device->Callback(device->Instance, TMidiInMessage::Error, static_cast<std::uint32_t>(param1), nullptr,
                         timestamp);
        break;
    case MIM_LONGDATA:
    case MIM_LONGERROR: {
        auto* midiHeader = reinterpret_cast<MIDIHDR*>(param1);
        auto* header = reinterpret_cast<TMidiHeader*>(midiHeader->dwUser);
        header->BytesRecorded = midiHeader->dwBytesRecorded;
        device->Callback(device->Instance,
                         message == MIM_LONGDATA ? TMidiInMessage::LongData : TMidiInMessage::LongError, 0,
                         header, timestamp);
        break;
    }
    case MIM_OPEN:
        device->Callback(device->Instance, TMidiInMessage::Open, 0, nullptr, 0);
        break;
    case MIM_CLOSE:
        device->Callback(device->Instance, TMidiInMessage::Close, 0, nullptr, 0);
        break;
    default:
        break;
    }
}
}  // namespace

std::uint16_t TWinMmDeviceLayer::DeviceCount()
{
    return static_cast<std::uint16_t>(midiInGetNumDevs());
}

TMidiResult TWinMmDeviceLayer::DeviceName(std::uint16_t index, std::string& name)
{
    // The wide call: a device name outside the ANSI code page survives.
    MIDIINCAPSW caps{};
    const MMRESULT result = midiInGetDevCapsW(index, &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR)
        name = Utf8FromWide(caps.szPname);
    return static_cast<TMidiResult>(result);
}

TMidiResult TWinMmDeviceLayer::Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                                    TMidiInHandle& handle)
{
    auto* device = new (std::nothrow) TOpenDevice{nullptr, callback, instance};
    if (device == nullptr)
        return MidiResult::NoMemory;
    // The record is complete before the driver may call back with it.
    const MMRESULT result = midiInOpen(&device->Device, index, reinterpret_cast<DWORD_PTR>(&MidiInProc),
                                       reinterpret_cast<DWORD_PTR>(device), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        delete device;
        return static_cast<TMidiResult>(result);
    }
    handle = reinterpret_cast<TMidiInHandle>(device);
    return MidiResult::NoError;
}

TMidiResult TWinMmDeviceLayer::PrepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    const bool fresh = header.LayerData == nullptr;
    MIDIHDR* midiHeader = HeaderFor(header);
    if (midiHeader == nullptr)
        return MidiResult::NoMemory;
    const MMRESULT result = midiInPrepareHeader(FromHandle(handle)->Device, midiHeader, sizeof(MIDIHDR));
    if (result != MMSYSERR_NOERROR && fresh) {
        delete midiHeader;
        header.LayerData = nullptr;
    }
    return static_cast<TMidiResult>(result);
}

TMidiResult TWinMmDeviceLayer::AddBuffer(TMidiInHandle handle, TMidiHeader& header)
{
    MIDIHDR* midiHeader = static_cast<MIDIHDR*>(header.LayerData);
    if (midiHeader == nullptr)
        return MidiResult::Unprepared;
    return static_cast<TMidiResult>(midiInAddBuffer(FromHandle(handle)->Device, midiHeader, sizeof(MIDIHDR)));
}

TMidiResult TWinMmDeviceLayer::UnprepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    auto* midiHeader = static_cast<MIDIHDR*>(header.LayerData);
    if (midiHeader == nullptr)
        return MidiResult::NoError;
    const MMRESULT result = midiInUnprepareHeader(FromHandle(handle)->Device, midiHeader, sizeof(MIDIHDR));
    if (result == MMSYSERR_NOERROR) {
        delete midiHeader;
        header.LayerData = nullptr;
    }
    return static_cast<TMidiResult>(result);
}

TMidiResult TWinMmDeviceLayer::Start(TMidiInHandle handle)
{
    return static_cast<TMidiResult>(midiInStart(FromHandle(handle)->Device));
}

TMidiResult TWinMmDeviceLayer::Stop(TMidiInHandle handle)
{
    return static_cast<TMidiResult>(midiInStop(FromHandle(handle)->Device));
}

TMidiResult TWinMmDeviceLayer::Reset(TMidiInHandle handle)
{
    return static_cast<TMidiResult>(midiInReset(FromHandle(handle)->Device));
}

TMidiResult TWinMmDeviceLayer::Close(TMidiInHandle handle)
{
    TOpenDevice* device = FromHandle(handle);
    const MMRESULT result = midiInClose(device->Device);
    // midiInClose returns after the driver's last callback (MIM_CLOSE).
    if (result == MMSYSERR_NOERROR)
        delete device;
    return static_cast<TMidiResult>(result);
}

TMidiResult TWinMmDeviceLayer::ErrorText(TMidiResult code, std::string& text)
{
    wchar_t buffer[128] = {};
    const MMRESULT result = midiInGetErrorTextW(code, buffer, static_cast<UINT>(std::size(buffer)));
    if (result == MMSYSERR_NOERROR)
        text = Utf8FromWide(buffer);
    return static_cast<TMidiResult>(result);
}

#include "VirtualMidiDeviceLayer.h"

#include <algorithm>

std::uint16_t TVirtualMidiDeviceLayer::AddDevice(const std::string& name)
{
    std::lock_guard lock(mutex_);
    TDevice device;
    device.Name = name;
    devices_.push_back(std::move(device));
    return static_cast<std::uint16_t>(devices_.size() - 1);
}

void TVirtualMidiDeviceLayer::RemoveDevice(std::uint16_t device)
{
    std::lock_guard lock(mutex_);
    if (device < devices_.size())
        devices_[device].Present = false;
}

TVirtualMidiDeviceLayer::TDevice* TVirtualMidiDeviceLayer::Listed(std::uint16_t index)
{
    for (TDevice& device : devices_)
        if (device.Present && index-- == 0)
            return &device;
    return nullptr;
}

void TVirtualMidiDeviceLayer::SetFailure(TMidiOperation operation, TMidiResult code, unsigned after)
{
    std::lock_guard lock(mutex_);
    failures_[operation] = TFailure{code, after, 0};
}

template <class TStep>
TMidiResult TVirtualMidiDeviceLayer::WithDevice(TMidiOperation operation, TMidiInHandle handle, TStep&& step)
{
    std::lock_guard lock(mutex_);
    if (const TMidiResult failure = Injected(operation))
        return failure;
    TDevice* device = Find(handle);
    if (device == nullptr)
        return MidiResult::InvalidHandle;
    return step(*device);
}

TMidiResult TVirtualMidiDeviceLayer::Injected(TMidiOperation operation)
{
    const auto found = failures_.find(operation);
    if (found == failures_.end() || found->second.Code == MidiResult::NoError)
        return MidiResult::NoError;
    TFailure& failure = found->second;
    return failure.Calls++ < failure.After ? MidiResult::NoError : failure.Code;
}

TVirtualMidiDeviceLayer::TDevice* TVirtualMidiDeviceLayer::Find(TMidiInHandle handle)
{
    if (handle == 0)
        return nullptr;
    for (TDevice& device : devices_)
        if (device.Handle == handle)
            return &device;
    return nullptr;
}

TVirtualMidiDeviceLayer::TDevice* TVirtualMidiDeviceLayer::Started(std::uint16_t index)
{
    if (index >= devices_.size())
        return nullptr;
    TDevice& device = devices_[index];
    return device.Present && device.Handle != 0 && device.Started ? &device : nullptr;
}

std::uint32_t TVirtualMidiDeviceLayer::Elapsed(const TDevice& device,
                                               std::optional<std::uint32_t> timestamp)
{
    if (timestamp)
        return *timestamp;
    const auto elapsed = std::chrono::steady_clock::now() - device.StartTime;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool TVirtualMidiDeviceLayer::InjectShort(std::uint16_t index, std::uint8_t status, std::uint8_t data1,
                                          std::uint8_t data2, std::optional<std::uint32_t> timestamp)
{
    std::lock_guard lock(mutex_);
    TDevice* device = Started(index);
    if (device == nullptr)
        return false;
    const std::uint32_t packed = status | (std::uint32_t{data1} << 8) | (std::uint32_t{data2} << 16);
    device->Callback(device->Instance, TMidiInMessage::Data, packed, nullptr, Elapsed(*device, timestamp));
    return true;
}

bool TVirtualMidiDeviceLayer::InjectSysex(std::uint16_t index, std::span<const std::uint8_t> bytes,
                                          std::optional<std::uint32_t> timestamp)
{
    std::lock_guard lock(mutex_);
    TDevice* device = Started(index);
    if (device == nullptr)
        return false;
    TMidiHeader* header = device->Sysex.Fill(bytes);
    if (header == nullptr)
        return false;
    device->Callback(device->Instance, TMidiInMessage::LongData, 0, header, Elapsed(*device, timestamp));
    return true;
}

bool TVirtualMidiDeviceLayer::IsOpen(std::uint16_t index) const
{
    std::lock_guard lock(mutex_);
    return index < devices_.size() && devices_[index].Handle != 0;
}

bool TVirtualMidiDeviceLayer::IsStarted(std::uint16_t index) const
{
    std::lock_guard lock(mutex_);
    return index < devices_.size() && devices_[index].Handle != 0 && devices_[index].Started;
}

std::size_t TVirtualMidiDeviceLayer::QueuedBuffers(std::uint16_t index) const
{
    std::lock_guard lock(mutex_);
    return index < devices_.size() ? devices_[index].Sysex.Size() : 0;
}

std::uint16_t TVirtualMidiDeviceLayer::DeviceCount()
{
    std::lock_guard lock(mutex_);
    return static_cast<std::uint16_t>(
        std::count_if(devices_.begin(), devices_.end(), [](const TDevice& device) { return device.Present; }));
}

TMidiResult TVirtualMidiDeviceLayer::DeviceName(std::uint16_t index, std::string& name)
{
    std::lock_guard lock(mutex_);
    if (const TMidiResult failure = Injected(TMidiOperation::DeviceName))
        return failure;
    const TDevice* device = Listed(index);
    if (device == nullptr)
        return MidiResult::BadDeviceId;
    name = device->Name;
    return MidiResult::NoError;
}

TMidiResult TVirtualMidiDeviceLayer::Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                                          TMidiInHandle& handle)
{
    std::lock_guard lock(mutex_);
    if (const TMidiResult failure = Injected(TMidiOperation::Open))
        return failure;
    TDevice* listed = Listed(index);
    if (listed == nullptr)
        return MidiResult::BadDeviceId;
    if (callback == nullptr)
        return MidiResult::InvalidParam;
    TDevice& device = *listed;
    if (device.Handle != 0)
        return MidiResult::Allocated;
    device.Handle = ++nextHandle_;
    device.Callback = callback;
    device.Instance = instance;
    device.Started = false;
    handle = device.Handle;
    device.Callback(device.Instance, TMidiInMessage::Open, 0, nullptr, 0);
    return MidiResult::NoError;
}

TMidiResult TVirtualMidiDeviceLayer::PrepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(TMidiOperation::PrepareHeader, handle,
                      [&](TDevice&) { return TSysexQueue::Prepare(header); });
}

TMidiResult TVirtualMidiDeviceLayer::AddBuffer(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(TMidiOperation::AddBuffer, handle, [&](TDevice& device) { return device.Sysex.Add(header); });
}

TMidiResult TVirtualMidiDeviceLayer::UnprepareHeader(TMidiInHandle handle, TMidiHeader& header)
{
    return WithDevice(TMidiOperation::UnprepareHeader, handle,
                      [&](TDevice&) { return TSysexQueue::Unprepare(header); });
}

TMidiResult TVirtualMidiDeviceLayer::Start(TMidiInHandle handle)
{
    return WithDevice(TMidiOperation::Start, handle, [](TDevice& device) {
        if (!device.Started) {
            device.Started = true;
            device.StartTime = std::chrono::steady_clock::now();
        }
        return MidiResult::NoError;
    });
}

TMidiResult TVirtualMidiDeviceLayer::Stop(TMidiInHandle handle)
{
    return WithDevice(TMidiOperation::Stop, handle, [](TDevice& device) {
        device.Started = false;
        return MidiResult::NoError;
    });
}

TMidiResult TVirtualMidiDeviceLayer::Reset(TMidiInHandle handle)
{
    return WithDevice(TMidiOperation::Reset, handle, [](TDevice& device) {
        device.Started = false;
        device.Sysex.ReturnAll([&device](TMidiHeader& header) {
            device.Callback(device.Instance, TMidiInMessage::LongData, 0, &header, Elapsed(device, {}));
        });
        return MidiResult::NoError;
    });
}

TMidiResult TVirtualMidiDeviceLayer::Close(TMidiInHandle handle)
{
    return WithDevice(TMidiOperation::Close, handle, [](TDevice& device) {
        if (!device.Sysex.Empty())
            return MidiResult::StillPlaying;
        device.Callback(device.Instance, TMidiInMessage::Close, 0, nullptr, 0);
        device.Handle = 0;
        device.Started = false;
        device.Callback = nullptr;
        device.Instance = nullptr;
        return MidiResult::NoError;
    });
}

TMidiResult TVirtualMidiDeviceLayer::ErrorText(TMidiResult code, std::string& text)
{
    return StandardMidiErrorText(code, text) ? MidiResult::NoError : MidiResult::InvalidParam;
}

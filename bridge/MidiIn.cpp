#include "MidiIn.h"

#include <algorithm>
#include <new>

#include "MidiStatus.h"

TMidiInput::TMyMidiHdr::TMyMidiHdr(std::uint16_t size)
    : Data(std::make_unique<std::uint8_t[]>(size))
{
    Header.Data = Data.get();
    Header.BufferLength = size;
    Header.User = reinterpret_cast<std::uintptr_t>(this);
}

TMidiInput::TMidiInput(TMidiDeviceLayer& layer, std::unique_ptr<TNotificationTarget> target)
    : layer_(layer), target_(std::move(target))
{
    target_->SetHandler([this](TMidiNotification notification) { HandleNotification(notification); });
    deviceCount_ = layer_.DeviceCount();
    if (deviceCount_ > 0)
        SetDeviceID(0);
}

TMidiInput::~TMidiInput()
{
    open_ = false;
    if (handle_ != 0)
        ReleaseDevice();
    if (handle_ != 0) {
        // The device would not close and may still call back: leave what it
        // touches allocated rather than let it write into freed memory.
        target_->SetHandler(nullptr);
        (void)target_.release();
        (void)callbackRecord_.release();
        (void)ring_.release();
        for (auto& buffer : buffers_)
            (void)buffer.release();
    }
}

void TMidiInput::SetDeviceID(std::uint16_t index)
{
    if (open_)
        throw EMidiInputError("Change to DeviceID while device was open");
    if (index >= layer_.DeviceCount())
        throw EMidiInputError("Invalid device ID");
    deviceId_ = index;
    std::string name;
    Check(layer_.DeviceName(index, name));
    productName_ = name;
}

std::vector<std::string> TMidiInput::DeviceNames()
{
    deviceCount_ = layer_.DeviceCount();
    std::vector<std::string> names(deviceCount_);
    for (std::uint16_t index = 0; index < deviceCount_; ++index)
        if (layer_.DeviceName(index, names[index]) != MidiResult::NoError)
            names[index].clear();
    return names;
}

void TMidiInput::SetProductName(const std::string& name)
{
    if (open_)
        throw EMidiInputError("Change to ProductName while device was open");
    if (loading_)
        return;
    const std::uint16_t count = layer_.DeviceCount();
    // Device 0 is asked even when none is reported, so that a system without
    // devices answers with its own code for a bad index.
    std::uint16_t index = 0;
    bool found = false;
    do {
        std::string deviceName;
        Check(layer_.DeviceName(index, deviceName));
        if (deviceName == name) {
            found = true;
            break;
        }
        ++index;
    } while (index < count);
    if (!found)
        throw EMidiInputError("MIDI Input Device " + name + " not installed ");
    productName_ = name;
    SetDeviceID(index);
}

void TMidiInput::SetSysexBufferSize(std::uint16_t size)
{
    if (open_)
        throw EMidiInputError("Change to SysexBufferSize while device was open");
    sysexBufferSize_ = size;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t count)
{
    if (open_)
        throw EMidiInputError("Change to SysexBuffercount while device was open");
    sysexBufferCount_ = count;
}

void TMidiInput::SetSysexOnly(bool sysexOnly)
{
    sysexOnly_ = sysexOnly;
    if (callbackRecord_)
        callbackRecord_->SysexOnly.store(sysexOnly, std::memory_order_relaxed);
}

void TMidiInput::Open()
{
    if (open_)
        return;
    // A device left over from a Close that failed is released first.
    if (handle_ != 0 && ReleaseDevice() != MidiResult::NoError)
        return;
    if (capacity_ == 0) {
        FailOpen(MidiResult::InvalidParam);
        return;
    }

    try {
        ring_ = std::make_unique<InputRing>(capacity_);
        if (!callbackRecord_)
            callbackRecord_ = std::make_unique<TCallbackRecord>();
    } catch (const std::bad_alloc&) {
        FailOpen(MidiResult::NoMemory);
        return;
    }
    callbackRecord_->Target = target_.get();
    callbackRecord_->SysexOnly.store(sysexOnly_, std::memory_order_relaxed);
    callbackRecord_->Ring.store(ring_.get(), std::memory_order_release);

    TMidiInHandle handle = 0;
    error_ = layer_.Open(deviceId_, &TMidiInput::DriverCallback, callbackRecord_.get(), handle);
    if (error_ != MidiResult::NoError) {
        FailOpen(error_);
        return;
    }
    handle_ = handle;

    if (sysexBufferCount_ > 0 && sysexBufferSize_ > 0) {
        for (std::uint16_t i = 0; i < sysexBufferCount_; ++i) {
            std::unique_ptr<TMyMidiHdr> buffer;
            try {
                buffer = std::make_unique<TMyMidiHdr>(sysexBufferSize_);
                buffers_.reserve(sysexBufferCount_);
            } catch (const std::bad_alloc&) {
                FailOpen(MidiResult::NoMemory);
                return;
            }
            error_ = layer_.PrepareHeader(handle_, buffer->Header);
            if (error_ != MidiResult::NoError) {
                FailOpen(error_);
                return;
            }
            buffers_.push_back(std::move(buffer));
        }
    }
    for (const auto& buffer : buffers_) {
        error_ = layer_.AddBuffer(handle_, buffer->Header);
        if (error_ != MidiResult::NoError) {
            FailOpen(error_);
            return;
        }
    }
    open_ = true;
}

void TMidiInput::FailOpen(TMidiResult code)
{
    if (handle_ != 0)
        ReleaseDevice();
    if (handle_ == 0) {
        buffers_.clear();
        if (callbackRecord_)
            callbackRecord_->Ring.store(nullptr, std::memory_order_release);
        ring_.reset();
        callbackRecord_.reset();
    }
    error_ = code;
}

void TMidiInput::Start()
{
    if (open_)
        Check(layer_.Start(handle_));
}

void TMidiInput::Stop()
{
    if (open_)
        Check(layer_.Stop(handle_));
}

void TMidiInput::Close()
{
    if (!open_)
        return;
    // Closed first: notifications still in flight, and those of the buffers
    // the reset returns, find the component closed and are dropped.
    open_ = false;
    const TMidiResult failure = ReleaseDevice();
    if (failure != MidiResult::NoError)
        Raise(failure);
}

TMidiResult TMidiInput::ReleaseDevice()
{
    TMidiResult first = MidiResult::NoError;
    const auto note = [&](TMidiResult code) {
        error_ = code;
        if (first == MidiResult::NoError)
            first = code;
    };
    note(layer_.Reset(handle_));
    for (const auto& buffer : buffers_)
        note(layer_.UnprepareHeader(handle_, buffer->Header));
    const TMidiResult closed = layer_.Close(handle_);
    note(closed);
    if (closed == MidiResult::NoError) {
        // Nothing calls back any more.
        handle_ = 0;
        buffers_.clear();
        callbackRecord_->Ring.store(nullptr, std::memory_order_release);
        ring_.reset();
    }
    error_ = first;
    return first;
}

std::uint16_t TMidiInput::MessageCount() const
{
    if (!open_ || !ring_)
        return 0;
    return static_cast<std::uint16_t>(ring_->Count());
}

std::unique_ptr<TMyMidiEvent> TMidiInput::GetMidiEvent()
{
    if (!open_ || !ring_)
        return nullptr;
    InputSlot slot;
    if (!ring_->Peek(slot))
        return nullptr;

    auto event = std::make_unique<TMyMidiEvent>();
    event->Timestamp = slot.Timestamp;
    if (slot.Sysex == nullptr) {
        event->Status = static_cast<std::uint8_t>(slot.ShortMessage & 0xFF);
        event->Data1 = static_cast<std::uint8_t>((slot.ShortMessage >> 8) & 0xFF);
        event->Data2 = static_cast<std::uint8_t>((slot.ShortMessage >> 16) & 0xFF);
    } else {
        const TMidiHeader& header = *slot.Sysex;
        const auto length = std::min(header.BytesRecorded, header.BufferLength);
        event->Status = MidiStatus::SystemExclusive;
        event->SysexLength = static_cast<std::uint16_t>(length);
        event->SysexData.assign(header.Data, header.Data + length);
    }
    // Removed before the buffer is handed back: a device that refuses the
    // buffer must not leave the message at the head of the ring for ever.
    ring_->Pop();

    if (slot.Sysex != nullptr) {
        error_ = layer_.PrepareHeader(handle_, *slot.Sysex);
        if (error_ == MidiResult::NoError)
            error_ = layer_.AddBuffer(handle_, *slot.Sysex);
        if (error_ != MidiResult::NoError)
            Raise(error_);
    }
    return event;
}

void TMidiInput::HandleNotification(TMidiNotification notification)
{
    // The handler is copied: it may replace itself while it runs.
    if (notification == TMidiNotification::Data) {
        if (onMidiInput_ && open_ && MessageCount() > 0) {
            const THandler handler = onMidiInput_;
            handler(*this);
        }
    } else if (onOverflow_ && open_) {
        const THandler handler = onOverflow_;
        handler(*this);
    }
}

void TMidiInput::DriverCallback(void* instance, TMidiInMessage message, std::uint32_t shortMessage,
                                TMidiHeader* header, std::uint32_t timestamp) noexcept
{
    const bool isShort = message == TMidiInMessage::Data;
    if (!isShort && message != TMidiInMessage::LongData && message != TMidiInMessage::LongError)
        return;
    auto* record = static_cast<TCallbackRecord*>(instance);
    if (isShort) {
        const auto status = static_cast<std::uint8_t>(shortMessage & 0xFF);
        if (status == MidiStatus::TimingClock || status == MidiStatus::ActiveSensing)
            return;
        if (record != nullptr && record->SysexOnly.load(std::memory_order_relaxed))
            return;
    } else if (header == nullptr) {
        return;
    }
    if (record == nullptr)
        return;
    InputRing* ring = record->Ring.load(std::memory_order_acquire);
    if (ring == nullptr)
        return;

    InputSlot slot;
    slot.Timestamp = timestamp;
    slot.ShortMessage = isShort ? shortMessage : 0;
    slot.Sysex = isShort ? nullptr : header;
    const bool stored = ring->Push(slot);
    record->Target->Post(stored ? TMidiNotification::Data : TMidiNotification::Overflow);
}

void TMidiInput::Check(TMidiResult code)
{
    error_ = code;
    if (code != MidiResult::NoError)
        Raise(code);
}

void TMidiInput::Raise(TMidiResult code)
{
    std::string text;
    if (layer_.ErrorText(code, text) != MidiResult::NoError)
        text = "Specified error number is out of range";
    throw EMidiInputError(text);
}

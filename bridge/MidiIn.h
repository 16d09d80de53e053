#pragma once
// TMidiInput: one MIDI input device of the system, received on a driver
// thread and handed to the owner one message at a time on the owner's thread.
//
// The driver's callback stores each message in an InputRing and posts one
// notification to the notification target; on the owner's thread the target
// hands the notification back, and the component calls OnMidiInput, in which
// the owner calls GetMidiEvent exactly once. A message that finds the ring full
// is lost and OnOverflow is called instead.
//
// Typical use (owner's thread throughout):
//
//     TMidiInput input(layer, std::make_unique<TLoopNotificationTarget>(loop));
//     input.SetCapacity(4096);
//     input.SetOnMidiInput([&](TMidiInput& in) {
//         if (auto event = in.GetMidiEvent()) Handle(*event);
//     });
//     input.SetProductName(savedName);  // throws EMidiInputError if absent
//     input.Open();                     // never throws: check IsOpen() / Error()
//     input.Start();
//     ...
//     input.Stop();
//     input.Close();
//
// To list the devices: for each index below DeviceCount(), SetDeviceID(index)
// and read ProductName() (while closed).
//
// Errors: refusals and device-layer failures throw EMidiInputError with a
// fixed English text, or the layer's text for the failing code, except Open,
// which only leaves the code in Error(). Error() always holds the code of the
// last device-layer call (0 = success).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Circbuf.h"
#include "MidiDeviceLayer.h"
#include "Miditype.h"
#include "NotificationTarget.h"

class EMidiInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMidiInput {
public:
    using THandler = std::function<void(TMidiInput& sender)>;

    // Counts the devices and selects device 0 when there is one, exactly as
    // SetDeviceID(0) would (so it throws EMidiInputError if the layer cannot
    // name it). The component owns target and attaches its notification
    // handling to it; layer must outlive the component.
    TMidiInput(TMidiDeviceLayer& layer, std::unique_ptr<TNotificationTarget> target);
    // Closes the device if one is held (errors are swallowed).
    ~TMidiInput();
    TMidiInput(const TMidiInput&) = delete;
    TMidiInput& operator=(const TMidiInput&) = delete;

    // Name of the selected device; empty when the system had none.
    const std::string& ProductName() const { return productName_; }
    // Selects the first device of exactly that name (case-sensitive). Throws
    // while open, when no device has the name ("MIDI Input Device <name> not
    // installed "; the selection is unchanged), or when the layer fails to
    // name a device. Ignored while Loading().
    void SetProductName(const std::string& name);

    // Index of the selected device.
    std::uint16_t DeviceID() const { return deviceId_; }
    // Selects a device by index. Throws while open, for an index not below
    // the number of devices the system reports now ("Invalid device ID"), or
    // when the layer fails to name it (the index is then stored already).
    void SetDeviceID(std::uint16_t index);

    // Slots of the input ring, read at the next Open (0 makes Open fail with
    // MidiResult::InvalidParam). May be set while open.
    std::uint16_t Capacity() const { return capacity_; }
    void SetCapacity(std::uint16_t capacity) { capacity_ = capacity; }

    // Result code of the last device-layer call made by the component.
    std::uint16_t Error() const { return error_; }

    // Bytes in each system exclusive receive buffer. Throws while open.
    std::uint16_t SysexBufferSize() const { return sysexBufferSize_; }
    void SetSysexBufferSize(std::uint16_t size);
    // Number of system exclusive receive buffers. Throws while open.
    std::uint16_t SysexBufferCount() const { return sysexBufferCount_; }
    void SetSysexBufferCount(std::uint16_t count);

    // When true, short messages are dropped in the callback; takes effect at
    // once, also while open.
    bool SysexOnly() const { return sysexOnly_; }
    void SetSysexOnly(bool sysexOnly);

    // Called on the owner's thread when a message is waiting (open, ring not
    // empty). The handler may process messages again (nested).
    const THandler& OnMidiInput() const { return onMidiInput_; }
    void SetOnMidiInput(THandler handler) { onMidiInput_ = std::move(handler); }
    // Called on the owner's thread once for each message lost to a full ring,
    // while open.
    const THandler& OnOverflow() const { return onOverflow_; }
    void SetOnOverflow(THandler handler) { onOverflow_ = std::move(handler); }

    // Number of devices when the component was created or DeviceNames last
    // asked.
    std::uint16_t DeviceCount() const { return deviceCount_; }
    // The names of the devices the system reports now, by index, asked of the
    // device layer without touching the selection, so also while open.
    // DeviceCount follows. A device the layer cannot name has an empty name.
    std::vector<std::string> DeviceNames();
    // False when no MIDI system answers at all (not merely no device).
    bool MidiSystemFound() { return layer_.MidiSystemFound(); }

    // While true, SetProductName is ignored: a stored design applied before
    // the saved device is chosen must not select anything.
    bool Loading() const { return loading_; }
    void SetLoading(bool loading) { loading_ = loading; }

    bool IsOpen() const { return open_; }

    // Opens the selected device, allocates the ring and queues the receive
    // buffers. Never throws: on failure the component stays closed, nothing
    // stays open or allocated, and Error() holds the failing code. Does
    // nothing while open.
    void Open();
    // Begin and end the flow of input. Nothing while closed; throw on failure.
    void Start();
    void Stop();
    // Marks the component closed, resets and closes the device and discards
    // waiting messages. Nothing while closed. Every step is tried; the first
    // failure is in Error() and is thrown, and the component stays closed.
    void Close();

    // Number of waiting messages; 0 while closed.
    std::uint16_t MessageCount() const;
    // The oldest waiting message, or empty while closed or when nothing is
    // waiting. A system exclusive message's buffer goes back to the device;
    // if that fails the message is still removed and EMidiInputError is thrown.
    std::unique_ptr<TMyMidiEvent> GetMidiEvent();

private:
    // What the driver callback sees; it lives while a device may call back.
    struct TCallbackRecord {
        std::atomic<InputRing*> Ring{nullptr};
        TNotificationTarget* Target = nullptr;
        std::atomic<bool> SysexOnly{false};
    };
    // One system exclusive receive buffer.
    struct TMyMidiHdr {
        explicit TMyMidiHdr(std::uint16_t size);
        TMidiHeader Header;
        std::unique_ptr<std::uint8_t[]> Data;
    };

    static void DriverCallback(void* instance, TMidiInMessage message, std::uint32_t shortMessage,
                               TMidiHeader* header, std::uint32_t timestamp) noexcept;
    void HandleNotification(TMidiNotification notification);
    void Check(TMidiResult code);
    [[noreturn]] void Raise(TMidiResult code);
    // Resets, unprepares and closes the held device, trying every step.
    // Frees the ring and buffers once the device is closed. Returns the first
    // failing code (also left in error_), 0 when all went well.
    TMidiResult ReleaseDevice();
    // The failure path of Open: release what was made, keep the code.
    void FailOpen(TMidiResult code);

    TMidiDeviceLayer& layer_;
    std::unique_ptr<TNotificationTarget> target_;

    std::string productName_;
    std::uint16_t deviceId_ = 0;
    std::uint16_t capacity_ = 1024;
    std::uint16_t error_ = 0;
    std::uint16_t sysexBufferSize_ = 4096;
    std::uint16_t sysexBufferCount_ = 16;
    bool sysexOnly_ = false;
    THandler onMidiInput_;
    THandler onOverflow_;
    std::uint16_t deviceCount_ = 0;
    bool loading_ = false;

    bool open_ = false;
    TMidiInHandle handle_ = 0;
    std::unique_ptr<TCallbackRecord> callbackRecord_;
    std::unique_ptr<InputRing> ring_;
    std::vector<std::unique_ptr<TMyMidiHdr>> buffers_;
};

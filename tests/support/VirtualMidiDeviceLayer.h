#pragma once
// In-process MIDI input devices for tests and demonstrations. A device is a
// name; a test (from any thread) plays the far end by injecting short and
// system exclusive messages, which reach the open device's callback on the
// injecting thread just as a driver's thread would deliver them: only
// between Start and Stop, system exclusive only into queued buffers (oldest
// first, truncated), Reset returning every queued buffer, and the codes of
// MidiDeviceLayer.h for every misuse. Any operation can be made to fail with
// a chosen code.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "MidiDeviceLayer.h"
#include "SysexQueue.h"

enum class TMidiOperation : std::uint8_t {
    DeviceName,
    Open,
    PrepareHeader,
    AddBuffer,
    UnprepareHeader,
    Start,
    Stop,
    Reset,
    Close,
};

class TVirtualMidiDeviceLayer final : public TMidiDeviceLayer {
public:
    TVirtualMidiDeviceLayer() = default;
    TVirtualMidiDeviceLayer(const TVirtualMidiDeviceLayer&) = delete;
    TVirtualMidiDeviceLayer& operator=(const TVirtualMidiDeviceLayer&) = delete;

    // Adds a device at the end of the list; returns the number by which the
    // test plays into it (its index in the list while none was removed).
    std::uint16_t AddDevice(const std::string& name);
    // Unplugs a device: it leaves the list (the later ones move up) and
    // delivers nothing more; while open, its handle can still be stopped,
    // reset and closed.
    void RemoveDevice(std::uint16_t device);

    // Makes operation fail with code, without effect, from its (after + 1)th
    // call on; code 0 makes it work again.
    void SetFailure(TMidiOperation operation, TMidiResult code, unsigned after = 0);

    // Any thread. Deliver one message to device index if it is open and
    // started; true when the callback ran. The timestamp is the time since
    // Start unless one is given. A system exclusive message fills the oldest
    // queued buffer; with none queued it is lost (false).
    bool InjectShort(std::uint16_t index, std::uint8_t status, std::uint8_t data1 = 0,
                     std::uint8_t data2 = 0, std::optional<std::uint32_t> timestamp = {});
    bool InjectSysex(std::uint16_t index, std::span<const std::uint8_t> bytes,
                     std::optional<std::uint32_t> timestamp = {});

    // State of device index, for tests.
    bool IsOpen(std::uint16_t index) const;
    bool IsStarted(std::uint16_t index) const;
    std::size_t QueuedBuffers(std::uint16_t index) const;

    std::uint16_t DeviceCount() override;
    TMidiResult DeviceName(std::uint16_t index, std::string& name) override;
    TMidiResult Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                     TMidiInHandle& handle) override;
    TMidiResult PrepareHeader(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult AddBuffer(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult UnprepareHeader(TMidiInHandle handle, TMidiHeader& header) override;
    TMidiResult Start(TMidiInHandle handle) override;
    TMidiResult Stop(TMidiInHandle handle) override;
    TMidiResult Reset(TMidiInHandle handle) override;
    TMidiResult Close(TMidiInHandle handle) override;
    TMidiResult ErrorText(TMidiResult code, std::string& text) override;
    bool MidiSystemFound() override { return systemFound_; }
    // As if no MIDI system answered at all.
    void SetMidiSystemFound(bool found) { systemFound_ = found; }

private:
    struct TDevice {
        std::string Name;
        bool Present = true;       // false once unplugged
        TMidiInHandle Handle = 0;  // 0 while closed
        TMidiInCallback Callback = nullptr;
        void* Instance = nullptr;
        bool Started = false;
        std::chrono::steady_clock::time_point StartTime{};
        TSysexQueue Sysex;
    };
    struct TFailure {
        TMidiResult Code = 0;
        unsigned After = 0;
        unsigned Calls = 0;
    };

    // All with mutex_ held.
    TMidiResult Injected(TMidiOperation operation);
    // Runs step(device) on the open device of handle with mutex_ held,
    // unless operation is made to fail or there is no such device
    // (InvalidHandle).
    template <class TStep>
    TMidiResult WithDevice(TMidiOperation operation, TMidiInHandle handle, TStep&& step);
    TDevice* Find(TMidiInHandle handle);
    TDevice* Started(std::uint16_t index);
    // The device at index of the list the system reports (unplugged ones left out).
    TDevice* Listed(std::uint16_t index);
    static std::uint32_t Elapsed(const TDevice& device, std::optional<std::uint32_t> timestamp);

    // One lock for everything, held while a callback runs: callbacks of a
    // device never overlap, and Close cannot return while one runs.
    mutable std::mutex mutex_;
    std::vector<TDevice> devices_;
    std::map<TMidiOperation, TFailure> failures_;
    TMidiInHandle nextHandle_ = 0;
    std::atomic<bool> systemFound_{true};
};

#pragma once
// The MIDI input service of the system, as the input component needs it: a
// thin layer per platform (RtMidi, Windows multimedia) plus in-process virtual
// devices for tests, all with the same calls, the same result codes and the
// same callback contract, so that the component itself stays plain C++.
//
// Result codes: 0 = success, anything else is a failure whose text
// ErrorText gives. The values follow the Windows multimedia codes, so that the
// Windows layer passes its codes through unchanged and every layer reports a
// bad device index, a busy device or an unprepared buffer alike.

#include <atomic>
#include <cstdint>
#include <string>

using TMidiResult = std::uint16_t;

namespace MidiResult {
inline constexpr TMidiResult NoError = 0;
inline constexpr TMidiResult Error = 1;          // unspecified failure of the MIDI system
inline constexpr TMidiResult BadDeviceId = 2;    // index not below the number of devices
inline constexpr TMidiResult Allocated = 4;      // the device is open already
inline constexpr TMidiResult InvalidHandle = 5;  // not a handle of an open device
inline constexpr TMidiResult NoDriver = 6;       // the MIDI system does not answer
inline constexpr TMidiResult NoMemory = 7;
inline constexpr TMidiResult InvalidParam = 11;  // e.g. a zero-sized buffer or input ring
inline constexpr TMidiResult Unprepared = 64;    // buffer queued without being prepared
inline constexpr TMidiResult StillPlaying = 65;  // buffer (or device) still has queued buffers
}  // namespace MidiResult

// The texts the portable layers give for the codes above; false for any
// other code (the caller then has no text).
bool StandardMidiErrorText(TMidiResult code, std::string& text);

// The handle of an open device; 0 is none.
using TMidiInHandle = std::uintptr_t;

// One system exclusive receive buffer, owned by the caller. Between
// AddBuffer and its return through the callback the layer owns the data
// block and fills it on the driver thread; the layer publishes the bytes and
// BytesRecorded before it calls the callback, so a consumer that learns of the
// buffer through a release/acquire handoff may read them.
struct TMidiHeader {
    std::uint8_t* Data = nullptr;     // BufferLength bytes
    std::uint32_t BufferLength = 0;
    std::uint32_t BytesRecorded = 0;  // set by the layer when the buffer comes back
    std::uintptr_t User = 0;          // the caller's own reference (e.g. its owner object)

    // Reserved for the layer: state flags, its queue link, platform data.
    std::atomic<std::uint32_t> LayerFlags{0};
    TMidiHeader* LayerNext = nullptr;
    void* LayerData = nullptr;
};

// What the callback reports. Only Data, LongData and LongError carry input.
enum class TMidiInMessage : std::uint8_t {
    Open,       // the device was opened
    Close,      // the device was closed
    Data,       // a short message: shortMessage packs status | data1 << 8 | data2 << 16
    LongData,   // a system exclusive buffer came back (filled, or returned by Reset)
    Error,      // the driver received an invalid short message
    LongError,  // a system exclusive buffer came back with an invalid or incomplete message
};

// Runs on a thread of the driver (or, for buffers returned by Reset, on the
// caller's thread), one call at a time per device. It must not block, must
// not allocate and must not call back into the layer. timestamp is in
// milliseconds since Start.
using TMidiInCallback = void (*)(void* instance, TMidiInMessage message, std::uint32_t shortMessage,
                                 TMidiHeader* header, std::uint32_t timestamp) noexcept;

class TMidiDeviceLayer {
public:
    virtual ~TMidiDeviceLayer() = default;

    // Number of input devices the system reports now.
    virtual std::uint16_t DeviceCount() = 0;
    // The name of device index, as the system reports it.
    virtual TMidiResult DeviceName(std::uint16_t index, std::string& name) = 0;

    // Opens device index; from now until Close returns, the callback may run
    // on a driver thread with instance as its first argument. Input flows
    // only between Start and Stop.
    virtual TMidiResult Open(std::uint16_t index, TMidiInCallback callback, void* instance,
                             TMidiInHandle& handle) = 0;

    // Makes a buffer usable with the device; preparing it twice is harmless.
    virtual TMidiResult PrepareHeader(TMidiInHandle handle, TMidiHeader& header) = 0;
    // Queues a prepared buffer. The oldest queued buffer receives the next
    // system exclusive message (truncated to its length) and comes back
    // through the callback with BytesRecorded set.
    virtual TMidiResult AddBuffer(TMidiInHandle handle, TMidiHeader& header) = 0;
    // Releases a buffer that is not queued; fails with StillPlaying if it is.
    virtual TMidiResult UnprepareHeader(TMidiInHandle handle, TMidiHeader& header) = 0;

    // Begins the flow of input; timestamps count from here.
    virtual TMidiResult Start(TMidiInHandle handle) = 0;
    virtual TMidiResult Stop(TMidiInHandle handle) = 0;
    // Stops input and returns every queued buffer through the callback
    // (LongData), before Reset returns.
    virtual TMidiResult Reset(TMidiInHandle handle) = 0;
    // Closes the device; fails with StillPlaying while buffers are queued.
    // On success no callback runs any more once it returns.
    virtual TMidiResult Close(TMidiInHandle handle) = 0;

    // The text of a code; nonzero when the layer has none for it.
    virtual TMidiResult ErrorText(TMidiResult code, std::string& text) = 0;

    // False when no MIDI system answers at all, as DeviceCount last found
    // (not merely no device): the menus then say so.
    virtual bool MidiSystemFound() { return true; }
};

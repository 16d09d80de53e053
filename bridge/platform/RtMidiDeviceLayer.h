#pragma once
// The MIDI device layer on RtMidi: the input ports of every MIDI system RtMidi
// was built with, in RtMidi's order (on Linux ALSA, then JACK when a JACK
// server answers; CoreMIDI on macOS; Windows multimedia on Windows).
//
// - Names are stable from run to run, since the settings file stores them:
//   ALSA's client and port numbers ("Client:Port 20:0") are dropped.
// - A MIDI system that is absent or does not answer simply has no devices;
//   nothing throws out of the layer.
// - Everything is received (system exclusive, timing clock, active sensing);
//   filtering is the component's business.
// - System exclusive goes into the buffers the caller queued, oldest first,
//   truncated to the buffer's length; with none queued it is lost.
// - Timestamps are milliseconds since Start.
// - Close returns only once RtMidi's input thread no longer calls back.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MidiDeviceLayer.h"

// RtMidi's name of an ALSA port without the trailing " client:port" numbers.
std::string StableAlsaPortName(const std::string& rtMidiName);

class TRtMidiDeviceLayer final : public TMidiDeviceLayer {
public:
    // clientName is how this program appears to the MIDI system.
    explicit TRtMidiDeviceLayer(std::string clientName = "TOREM Bridge");
    // Closes any device still open.
    ~TRtMidiDeviceLayer() override;
    TRtMidiDeviceLayer(const TRtMidiDeviceLayer&) = delete;
    TRtMidiDeviceLayer& operator=(const TRtMidiDeviceLayer&) = delete;

    // Asks every MIDI system again, and remembers the list for DeviceName
    // and Open.
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
    // Whether ALSA or a JACK server answered at the last listing.
    bool MidiSystemFound() override;

    struct TPort {
        int Api = 0;         // RtMidi::Api
        std::string RtName;  // RtMidi's own name, to find the port again
        std::string Name;    // the stable name shown and stored
    };
    struct TDevice;

private:
    class TJackWatch;

    // With mutex_ held.
    std::vector<TPort> Enumerate();
    // The port of index, listing the ports first if no call has yet; nullptr
    // for an index beyond the list. With mutex_ held.
    const TPort* Port(std::uint16_t index);
    TDevice* Find(TMidiInHandle handle);
    // Runs step(device) on the open device of handle with mutex_ and the
    // device's lock held; InvalidHandle when handle is no open device.
    template <class TStep>
    TMidiResult WithDevice(TMidiInHandle handle, TStep&& step);

    const std::string clientName_;
    std::unique_ptr<TJackWatch> jack_;  // owner's calls only, under mutex_
    bool systemFound_ = false;
    std::mutex mutex_;  // the owner's calls against each other
    std::vector<TPort> ports_;
    bool listed_ = false;
    std::map<TMidiInHandle, std::unique_ptr<TDevice>> devices_;
    TMidiInHandle nextHandle_ = 0;
};

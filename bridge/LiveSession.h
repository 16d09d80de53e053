#pragma once
// One live session, for the window and torem-live alike: the MIDI input, the
// serial link and the live bridge, built and wired on the owner's message
// loop, started and ended in the same order, and the state of the port and
// of the MIDI device in words, in either language.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ActivityIndicator.h"
#include "AppSettings.h"
#include "Dialogs.h"
#include "LiveBridge.h"
#include "MessageLoop.h"
#include "MidiDeviceLayer.h"
#include "MidiIn.h"
#include "NoMidiDeviceLayer.h"
#include "Rs232Link.h"
#include "SerialDevice.h"

enum class TLinkKind : std::uint8_t { SerialPort, MidiDevice };

class TLiveSession {
public:
    // Room for a burst of events, and for system exclusive messages.
    static constexpr std::uint16_t InputCapacity = 4096;
    static constexpr std::uint16_t SysexBufferSize = 4096;

    // What the session is built on; everything must outlive it.
    struct TSeams {
        TMessageLoop& Loop;
        TMidiDeviceLayer& MidiDevices;
        TSerialPorts& SerialPorts;
        // Warnings of the bridge, and the errors of the MIDI input's handler.
        TDialogs& Dialogs;
        TActivityIndicator& Indicator;
    };

    // A MIDI system that cannot even name its devices is told in a warning,
    // and the session runs without MIDI devices.
    TLiveSession(AppSettings& settings, const TSeams& seams);
    ~TLiveSession();
    TLiveSession(const TLiveSession&) = delete;
    TLiveSession& operator=(const TLiveSession&) = delete;

    // Opens the record's port and MIDI device and starts watching them: what
    // cannot be opened now is tried again about once a second.
    void Start();
    // The port the user chose, by name: the port in use is closed and the
    // chosen one opened, even when it is the same.
    void SelectComPort(const std::string& name);
    // The MIDI device the user chose, by name (empty: none): the input is
    // closed and opened again.
    void SelectMidiDevice(const std::string& name);
    // From now on no note reaches the device and nothing is tried again; the
    // record's lists may go.
    void BeginShutdown();
    // Closes the MIDI input, then the port when it is open. The port is
    // closed even when the input fails to close; that error is thrown after.
    void Close();

    std::vector<std::string> MidiDeviceNames() { return midiInput_->DeviceNames(); }
    bool MidiSystemFound() { return midiInput_->MidiSystemFound(); }

    TLiveBridge& Bridge() { return *bridge_; }
    TMidiInput& MidiInput() { return *midiInput_; }
    TLinkStatus PortStatus() const { return bridge_->ComPortStatus(); }
    TLinkStatus DeviceStatus() const { return bridge_->MidiInStatus(); }
    // Runs on the owner's thread whenever either status changes.
    void SetOnStatusChanged(std::function<void()> handler) { onStatusChanged_ = std::move(handler); }

    // The port's or the device's state, one sentence each: open (again) or
    // closed, or why it is not open, what the bridge does about it, and a
    // hint where one helps.
    std::vector<std::string> PortWords(std::uint8_t language) const;
    std::vector<std::string> DeviceWords(std::uint8_t language) const;
    static std::vector<std::string> StateWords(TLinkKind kind, const TLinkStatus& status, bool openAgain,
                                               std::uint8_t language);

private:
    void StatusChanged();

    AppSettings& settings_;
    TSeams seams_;
    TNoMidiDeviceLayer noMidiDevices_;
    std::unique_ptr<TRs232Link> link_;
    std::unique_ptr<TMidiInput> midiInput_;
    std::unique_ptr<TTimerClock> watchClock_;
    std::unique_ptr<TTimerClock> drainClock_;
    std::unique_ptr<TLiveBridge> bridge_;
    std::function<void()> onStatusChanged_;
    // How often the port and the device in use have opened, and whether
    // the last status seen was open.
    int portOpenings_ = 0;
    int deviceOpenings_ = 0;
    bool portWasShownOpen_ = false;
    bool deviceWasShownOpen_ = false;
};

// The words joined by sep.
std::string JoinWords(const std::vector<std::string>& words, const std::string& sep);

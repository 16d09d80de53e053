#pragma once
// The live bridge without a window (torem-live), for show computers without
// a screen: the window's live session on the plain event loop, with the same
// reconnection, resynchronisation and all-off behaviour, its state told in
// the window's words, one line per change, and its warnings printed, in
// English.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "EventLoop.h"
#include "LiveBridge.h"
#include "LiveSession.h"
#include "PlainMessageLoop.h"
#include "MidiDeviceLayer.h"
#include "SerialDevice.h"

struct TLiveOptions {
    std::string Port;  // the serial port, as the system names it ("COM12", "/dev/ttyUSB0")
    std::string Midi;  // the MIDI input device, as --list names it
    std::uint8_t MidiMode = MidiModeValue::Proportional;
    std::uint8_t TransposeIndex = 5;  // 5 + the octaves, 1 to 9
    bool List = false;
};

extern const char* const LiveUsage;

// Reads torem-live's arguments (UTF-8, the program's name left out) into
// options. Gives the exit code when the program is to end at once: --help and
// --version answered, or a usage mistake told on stderr.
std::optional<int> ReadLiveOptions(const std::vector<std::string>& arguments, TLiveOptions& options);

// Prints the MIDI input devices and the serial ports, by the names --midi and
// --port take.
void ListDevicesAndPorts(TMidiDeviceLayer& midi, const std::vector<std::string>& ports, std::ostream& out);

class TLiveConsole {
public:
    // Lines go to log. midi and ports must outlive the console.
    TLiveConsole(const TLiveOptions& options, TMidiDeviceLayer& midi, TSerialPorts& ports, std::ostream& log);
    // Stop() when it was not called.
    ~TLiveConsole();
    TLiveConsole(const TLiveConsole&) = delete;
    TLiveConsole& operator=(const TLiveConsole&) = delete;

    // Opens the port and the MIDI device; what cannot be opened now is tried
    // again about once a second.
    void Start();
    // Runs the loop until endRequested() holds; Loop().Wake() from another
    // thread makes it look at once. A failure of a handler is told and the
    // bridge plays on.
    void RunUntil(const std::function<bool()>& endRequested);
    // Takes no more notes, closes the MIDI input, then the port. Once.
    void Stop();

    TEventLoop& Loop() { return loop_; }
    TLiveBridge& Bridge() { return session_->Bridge(); }
    const AppSettings& Settings() const { return settings_; }

private:
    class TConsoleDialogs;
    class TNoLamp;

    void TellStatus();
    void Tell(const std::string& line);

    std::ostream& log_;
    TEventLoop loop_;
    TPlainMessageLoop messageLoop_{loop_};
    AppSettings settings_;
    std::unique_ptr<TConsoleDialogs> dialogs_;
    std::unique_ptr<TNoLamp> lamp_;
    std::unique_ptr<TLiveSession> session_;

    // What the lines told last.
    TLinkStatus toldPort_;
    TLinkStatus toldMidi_;
    bool stopped_ = false;
};

#pragma once
// The live bridge without a window (torem-live), for show computers without
// a screen: the window's live session on the plain event loop, with the same
// reconnection, resynchronisation and all-off behaviour. The session's log
// is printed as it grows, a time-stamped line each, in English, and the
// figures of the show when it ends.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <memory>
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

// A check of the rig from the command line.
struct TTestOptions {
    enum class TKind : std::uint8_t { Output, Range, Chase, Off } Kind = TKind::Output;
    TChase Chase;  // From and To are the range; Level the level; From alone the output
};

struct TLiveOptions {
    std::string Port;  // the serial port, as the system names it ("COM12", "/dev/ttyUSB0")
    std::string Midi;  // the MIDI input device, as --list names it; none for a test or a play alone
    std::uint8_t MidiMode = MidiModeValue::Proportional;
    std::uint8_t TransposeIndex = 5;  // 5 + the octaves, 1 to 9
    bool List = false;
    bool View = false;  // the outputs as a live table on stdout
    std::optional<TTestOptions> Test;
    std::string Play;  // a .seq or .mid file to play
    std::uint32_t FromMs = 0;
    std::uint16_t ResolutionMs = 1000;  // of a .mid file played
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
    // Lines go to log, the live table (--view) to view. midi and ports must
    // outlive the console.
    TLiveConsole(const TLiveOptions& options, TMidiDeviceLayer& midi, TSerialPorts& ports, std::ostream& log,
                 std::ostream* view = nullptr);
    // Stop() when it was not called.
    ~TLiveConsole();
    TLiveConsole(const TLiveConsole&) = delete;
    TLiveConsole& operator=(const TLiveConsole&) = delete;

    // Opens the port and the MIDI device; what cannot be opened now is tried
    // again about once a second.
    void Start();
    // Runs the loop until endRequested() holds, or a chase or a play asked
    // for has ended by itself; Loop().Wake() from another thread makes it
    // look at once. A failure of a handler is told and the bridge plays on.
    void RunUntil(const std::function<bool()>& endRequested);
    // The test or the play of the options, once started; a file that cannot
    // be read is thrown.
    void StartTestOrPlay();
    // Takes no more notes, closes the MIDI input, then the port. Once.
    void Stop();

    TEventLoop& Loop() { return loop_; }
    TLiveBridge& Bridge() { return session_->Bridge(); }
    const AppSettings& Settings() const { return settings_; }

private:
    class TConsoleDialogs;
    class TNoLamp;

    // A line on the log stream, with its time.
    void Tell(const std::string& line);
    void Told(const TLogEntry& entry);
    // The live table, when it changed.
    void DrawView();

    std::ostream& log_;
    TEventLoop loop_;
    TPlainMessageLoop messageLoop_{loop_};
    AppSettings settings_;
    std::unique_ptr<TConsoleDialogs> dialogs_;
    std::unique_ptr<TNoLamp> lamp_;
    std::unique_ptr<TLiveSession> session_;
    TLiveOptions options_;
    bool finished_ = false;  // the chase or the play asked for has ended
    std::ostream* view_ = nullptr;
    std::unique_ptr<TLoopTimer> viewTimer_;
    std::uint64_t shownRevision_ = ~std::uint64_t{0};

    bool stopped_ = false;
};

#pragma once
// One live session, for the window and torem-live alike: the MIDI input, the
// serial link and the live bridge, built and wired on the owner's message
// loop, started and ended in the same order; the state of the port and of
// the MIDI device in words, in either language; a time-stamped log of what
// happened on stage; the warnings box kept true; and the figures of the
// show.

#include <chrono>
#include <cstdint>
#include <deque>
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
#include "OutputTest.h"
#include "Rs232Link.h"
#include "SequencePlayer.h"
#include "SerialDevice.h"

enum class TLinkKind : std::uint8_t { SerialPort, MidiDevice };

// One line of the log, in the language of the moment it was written.
struct TLogEntry {
    std::chrono::system_clock::time_point When;
    std::string Text;
};

class TLiveSession {
public:
    // Room for a burst of events, and for system exclusive messages.
    static constexpr std::uint16_t InputCapacity = 4096;
    static constexpr std::uint16_t SysexBufferSize = 4096;
    // The log keeps the latest lines; a show of hours stays within this.
    static constexpr std::size_t LogLines = 10000;

    // What the session is built on; everything must outlive it.
    struct TSeams {
        TMessageLoop& Loop;
        TMidiDeviceLayer& MidiDevices;
        TSerialPorts& SerialPorts;
        // Warnings of the bridge (the box that does not wait lists them with
        // their times), and the errors of the MIDI input's handler.
        TDialogs& Dialogs;
        TActivityIndicator& Indicator;
    };

    // A MIDI system that cannot even name its devices is told in a warning,
    // and the session runs without MIDI devices.
    TLiveSession(AppSettings& settings, const TSeams& seams);
    ~TLiveSession();
    TLiveSession(const TLiveSession&) = delete;
    TLiveSession& operator=(const TLiveSession&) = delete;

    // Opens the record's port (none when no port is chosen) and MIDI device
    // and starts watching them: what cannot be opened now is tried again
    // about once a second.
    void Start();
    // The port the user chose, by name: the port in use is closed and the
    // chosen one opened, even when it is the same.
    void SelectComPort(const std::string& name);
    // The MIDI device the user chose, by name (empty: none): the input is
    // closed and opened again.
    void SelectMidiDevice(const std::string& name);
    // Level 0 to every output not known to be at 0; logged.
    void AllOutputsOff();

    // Checking the rig (logged): one output, a range, a chase; a new test
    // stops the one that runs, and stopping switches off what it lit.
    void TestOutput(std::uint8_t output, std::uint8_t level);
    void TestRange(std::uint8_t from, std::uint8_t to, std::uint8_t level);
    void TestChase(const TChase& chase);
    void StopTest();
    bool Testing() const { return test_->Running(); }
    // Runs when a chase ended by itself.
    void SetOnTestEnded(std::function<void()> handler) { onTestEnded_ = std::move(handler); }

    // Rehearsing a show (logged): its changes in time order, named for the
    // log; play from a point, pause, stop.
    void LoadShow(std::vector<TContactorEvent> changes, std::uint16_t resolutionMs, std::string name);
    void Play(std::uint32_t fromMs);
    void PausePlay();
    void StopPlay();
    const TSequencePlayer& Player() const { return *player_; }
    // Runs when the show played to its end.
    void SetOnPlayEnded(std::function<void()> handler) { onPlayEnded_ = std::move(handler); }

    // The monitor's table as text, for a terminal: the two banks apart, 8
    // rows of 16 outputs each, a waiting level marked *, an unconfirmed one
    // ?, 0 as a dot.
    std::string MonitorText(std::uint8_t language) const;
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

    // The port's or the device's state, one sentence each: open (again),
    // answering again or closed, or why it does not work, what the bridge
    // does about it, and a hint where one helps.
    std::vector<std::string> PortWords(std::uint8_t language) const;
    std::vector<std::string> DeviceWords(std::uint8_t language) const;
    static std::vector<std::string> StateWords(TLinkKind kind, const TLinkStatus& status, bool openAgain,
                                               std::uint8_t language);
    // What a label adds to the name of a port or device that does not work
    // (" (lost)"); empty while it works or nothing is chosen.
    static std::string StateMark(const TLinkStatus& status, std::uint8_t language);

    // The log: changes of the port's and the device's state, warnings,
    // all-offs and released notes, oldest first.
    const std::deque<TLogEntry>& Log() const { return log_; }
    // Runs for every new line.
    void SetOnLog(std::function<void(const TLogEntry&)> handler) { onLog_ = std::move(handler); }
    // The figures of the session in one line.
    std::string Summary(std::uint8_t language) const;

    // "20:31:05", or "20:31:05.123" with milliseconds, in local time.
    static std::string TimeOfDay(std::chrono::system_clock::time_point when, bool milliseconds = false);
    // A time into a show: "1:05.250", "1:02:03.000".
    static std::string ShowTime(std::uint32_t ms);

private:
    class TBoardDialogs;

    void StatusChanged();
    void Write(std::string text);
    void Warned(const std::string& text);
    void ShowBoard();

    AppSettings& settings_;
    TSeams seams_;
    TNoMidiDeviceLayer noMidiDevices_;
    std::unique_ptr<TBoardDialogs> boardDialogs_;
    std::unique_ptr<TRs232Link> link_;
    std::unique_ptr<TMidiInput> midiInput_;
    std::unique_ptr<TTimerClock> watchClock_;
    std::unique_ptr<TTimerClock> drainClock_;
    std::unique_ptr<TLiveBridge> bridge_;
    std::unique_ptr<TTimerClock> testClock_;
    std::unique_ptr<TOutputTest> test_;
    std::unique_ptr<TTimerClock> playClock_;
    std::unique_ptr<TSequencePlayer> player_;
    std::string showName_;
    bool testedOrPlayed_ = false;
    std::function<void()> onTestEnded_;
    std::function<void()> onPlayEnded_;
    std::function<void()> onStatusChanged_;
    std::function<void(const TLogEntry&)> onLog_;
    std::deque<TLogEntry> log_;

    // The warnings the box shows: each with its time, and when its trouble
    // ended.
    struct TBoardLine {
        std::chrono::system_clock::time_point When;
        std::string Text;
        std::chrono::system_clock::time_point Recovered{};
    };
    std::vector<TBoardLine> board_;

    // What the log told last of each, and how often each has opened.
    TLinkStatus toldPort_;
    TLinkStatus toldDevice_;
    int portOpenings_ = 0;
    int deviceOpenings_ = 0;
    bool answeringAgain_ = false;
};

// The words joined by sep.
std::string JoinWords(const std::vector<std::string>& words, const std::string& sep);

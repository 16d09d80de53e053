#pragma once
// The live bridge: every note-on and note-off of MIDI channels 1 and 2 from
// the MIDI input becomes an (output number, level) item, queued and sent over
// the serial link, one acknowledged handshake per item.
//
// Everything runs on the owner's (user interface) thread. The acknowledgement
// wait processes timers and MIDI notifications, so a notification can arrive
// while a send is in progress: it queues its item and the send that runs sends
// it after the ones before, never two handshakes at once.
//
// What a show needs of it:
// - For each of the 256 outputs it keeps the level it last wanted and the
//   level the device last acknowledged (unknown after a failed handshake and
//   after the port is opened). When the device answers again after a failure,
//   or a port is opened, every output it has driven whose acknowledged level
//   is unknown or not the wanted one is sent its wanted level first. A change
//   the device did not take is never lost for good; outputs the bridge never
//   drove are left alone.
// - A note-off goes to the output its note-on lit, whatever transposition,
//   mode or device was chosen in between; All Sound Off and All Notes Off
//   (controllers 120 and 123) switch off what that channel lit.
// - At most one change per output waits: a newer one replaces the level of
//   the waiting one in place, so at most 256 changes ever wait.
// - A failure never halts it: its warnings do not wait for the OK, it goes on
//   queuing. After one unanswered handshake the next change (the one that
//   failed first) is tried at once; after two in a row the device is "not
//   answering" and is tried again on the watch clock, about once a second,
//   until it answers. A port that cannot be opened or is lost (a send fails,
//   or the watch finds it gone while nothing is sent) is opened again by
//   name, quietly; the MIDI device is opened when a device of its name
//   appears, and again when it comes back after it was lost. The outputs a
//   lost MIDI device's held notes lit are switched off.
// - One handshake per pass of the owner's message loop: user input is handled
//   between two changes, never inside a handshake.

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ActivityIndicator.h"
#include "AppSettings.h"
#include "Dialogs.h"
#include "MidiIn.h"
#include "Rs232Link.h"
#include "TimerClock.h"

// Why the port or the MIDI device is not open.
enum class TLinkProblem : std::uint8_t {
    None,              // open, or nothing chosen
    NotFound,          // no device of that name (absent, unplugged)
    InUse,             // held by another program
    PermissionDenied,  // the user may not open it
    Lost,              // it went away while open
    Failed,            // it could not be opened or set up, for another reason
    NotAnswering,      // open, but the device left two handshakes in a row unanswered
};

struct TLinkStatus {
    bool Open = false;
    TLinkProblem Problem = TLinkProblem::None;
    bool operator==(const TLinkStatus&) const = default;
};

// Whether the device has what the bridge wants of an output.
enum class TOutputAck : std::uint8_t {
    Confirmed,    // the device acknowledged this level
    Waiting,      // the change waits in the queue, or its handshake runs
    Unconfirmed,  // not known: the port is closed, or a handshake failed
};
// (An output the bridge never drove reads as confirmed at 0.)

struct TOutputView {
    std::uint8_t Level = 0;  // wanted
    TOutputAck Ack = TOutputAck::Confirmed;
    bool operator==(const TOutputView&) const = default;
};

// What the bridge did since it was made: the figures of a show.
struct TBridgeFigures {
    std::uint64_t Sent = 0;          // handshakes begun
    std::uint64_t Acknowledged = 0;  // of them, answered
    std::uint64_t Replaced = 0;      // waiting changes a newer level of their output replaced
    std::uint64_t Unanswered = 0;    // handshakes that failed
    std::uint64_t Reconnections = 0; // ports opened again by the watch
    std::uint64_t ReleasedNotes = 0; // notes of a vanished MIDI device switched off
    // From a note to the device's acknowledgement of its change, the longest.
    std::chrono::microseconds WorstNoteToDevice{0};
};

class TLiveBridge {
public:
    // Nominal size of the send queue; the queue never holds more than one
    // change per output, so it never reaches it.
    static constexpr std::size_t NominalQueueSize = 4096;
    // How often the watch clock looks at the port and the MIDI device.
    static constexpr std::chrono::milliseconds WatchInterval{1000};

    // The owner's one-shot clocks: watch runs out into WatchClockRanOut,
    // drain into DrainClockRanOut.
    struct TClocks {
        TTimerClock& Watch;
        TTimerClock& Drain;
    };

    // Becomes midiInput's OnMidiInput handler. All references must outlive
    // the bridge.
    TLiveBridge(AppSettings& settings, TMidiInput& midiInput, TRs232Link& link, TDialogs& dialogs,
                TActivityIndicator& indicator, TClocks clocks);
    ~TLiveBridge();
    TLiveBridge(const TLiveBridge&) = delete;
    TLiveBridge& operator=(const TLiveBridge&) = delete;

    // Starts the watch clock; the owner calls it once start-up is done.
    void StartWatching();

    // Opens ComPortName; ComPortOpen follows the handle. A failure shows the
    // code's text. Outputs the bridge drove are brought into step at once.
    // Returns the link's code. No name: no port is chosen, and nothing is
    // opened (ComOk).
    TComResult OpenComPort();
    // Closes the port and clears ComPortOpen; warns when closing failed.
    TComResult CloseComPort();

    // Selects MidiInPortName, opens and starts it; nothing when the name is
    // empty. A name no device has is kept: the watch opens the device when it
    // appears.
    void OpenMidiInPort();
    // Stops and closes the MIDI input when the bridge opened it.
    void CloseMidiInPort();
    void ReopenMidiInPort();

    // The MIDI input's notification: one event fetched, translated and sent.
    void MidiInput1MidiInput();
    // Sets output's wanted level and queues it; a change already waiting for
    // that output takes the new level in place. True while the queue holds at
    // most NominalQueueSize items.
    bool QueueOutput(std::uint8_t output, std::uint8_t level);
    // Sends the oldest waiting change, then lets the drain clock call it
    // again for the next one. The code of the send, ComOk when none was due.
    TComResult SendQueue();
    // Level 0 to every output not known to be at 0 (all 256 when unknown),
    // and every note forgotten.
    void AllOutputsOff();
    // Sends every waiting change now, one handshake after another, while
    // the device answers (the end of a session: what a test lit goes off
    // before the port closes). Nothing when a handshake runs already.
    void SendWaiting();

    // The indicator's clock ran out: dark again.
    void Timer2Timer();
    // The watch clock: try the port and the MIDI device again.
    void WatchClockRanOut();
    // The drain clock: the next waiting change.
    void DrainClockRanOut();

    // From now on MIDI notifications are fetched and dropped, nothing is
    // retried, and a send the window's close interrupted ends quietly with
    // the queue discarded (shut-down).
    void BeginShutdown();

    TLinkStatus ComPortStatus() const { return comStatus_; }
    TLinkStatus MidiInStatus() const { return midiStatus_; }
    // Runs on the owner's thread whenever either status changes.
    void SetOnStatusChanged(std::function<void()> handler) { onStatusChanged_ = std::move(handler); }
    // Runs when a lost MIDI device's held notes were switched off, with how
    // many.
    void SetOnNotesReleased(std::function<void(std::uint64_t)> handler) { onNotesReleased_ = std::move(handler); }
    const TBridgeFigures& Figures() const { return figures_; }

    // The levels the bridge wants now, for each output.
    const std::array<std::uint8_t, 256>& WantedLevels() const { return wanted_; }
    // An output as the monitor shows it.
    TOutputView Output(std::uint8_t output) const;
    // Grows with every change of what Output tells, so that a monitor
    // draws only when something changed.
    std::uint64_t Revision() const { return revision_; }
    // Wants a level for an output, as a test or a played show does (not a
    // note): queued when the port is open, sent by SendQueue.
    void SetOutput(std::uint8_t output, std::uint8_t level);

    // The output number of a note: channel bank (channel 2 adds 128) and
    // transposition by whole octaves, in 8-bit arithmetic that wraps.
    static std::uint8_t OutputNumber(std::uint8_t status, std::uint8_t note, std::uint8_t transposeIndex);
    // The level of a note-on: 0 for velocity 0, else 2v + 1 (Proportional)
    // or 255 (Dry contact).
    static std::uint8_t NoteOnLevel(std::uint8_t velocity, std::uint8_t midiMode);

private:
    static constexpr int Unknown = -1;

    void Translate(const TMyMidiEvent& event);
    // Level 0 to what the channel's notes lit; how many notes were lit.
    std::uint64_t SwitchOffChannel(unsigned channel);
    // Wants level for output; queues it when the port is open.
    void Want(std::uint8_t output, std::uint8_t level);
    // Puts the driven outputs that are out of step at the front of the queue.
    void Resync();
    void PutFirst(std::uint8_t output);
    void ForgetQueue();
    TComResult OpenPort(bool warnOnFailure);
    void PortLost();
    void WatchMidiInput();
    // Stops and closes the MIDI input; the status is the caller's to set.
    void CloseMidiInput();
    void SetComStatus(TLinkStatus status);
    void SetMidiStatus(TLinkStatus status);
    void WarnNoWait(TComResult code);

    AppSettings& settings_;
    TMidiInput& midiInput_;
    TRs232Link& link_;
    TDialogs& dialogs_;
    TActivityIndicator& indicator_;
    TClocks clocks_;
    std::function<void()> onStatusChanged_;
    std::function<void(std::uint64_t)> onNotesReleased_;
    TBridgeFigures figures_;
    // When a note wanted each output's waiting level; none for a level no
    // note asked for (a resync, all off).
    std::array<std::chrono::steady_clock::time_point, 256> wantedAt_{};
    int failuresInARow_ = 0;
    std::uint64_t revision_ = 0;
    int sending_ = -1;  // the output whose handshake runs

    std::array<std::uint8_t, 256> wanted_{};
    std::array<int, 256> acked_{};
    std::bitset<256> driven_;
    std::bitset<256> queued_;
    // The output each note of channels 1 and 2 lit, + 1; 0 when not lit.
    std::array<std::array<std::uint16_t, 128>, 2> lit_{};

    TLinkStatus comStatus_;
    TLinkStatus midiStatus_;
    bool retryDue_ = false;      // a send failed with the port open: wait for the watch
    bool resyncDue_ = false;     // the next send that succeeds brings every output into step
    bool warnedFailure_ = false;  // this run of failed sends has shown its warning
    bool warnedClosed_ = false;   // this closed spell of the port has shown its warning
    bool shuttingDown_ = false;
};

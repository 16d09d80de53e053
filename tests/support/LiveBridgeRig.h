#pragma once
// The whole live path for tests, as the window wires it: two virtual MIDI
// keyboards -> TMidiInput (4096 slots) on a plain event loop -> TLiveBridge
// -> TRs232Link -> a real pseudo-terminal (a line in memory on Windows,
// SimulatedDevice.h) -> the device simulator. A second
// simulator stands for another COM port. Warnings are modal test boxes that
// pump the loop; the activity lamp is the loop's, and every call to it is
// recorded. The acknowledgement clock is a manual one that the tests run
// out by hand, so a slow machine never turns a healthy handshake into a
// failed one.
//
// The test's thread is the user interface thread: it owns the loop and runs
// it with RunUntil, while TKeyboardPlayer threads play into the keyboards.

#include <functional>

#include "AppSettings.h"
#include "EventLoop.h"
#include "KeyboardPlayer.h"
#include "LiveBridge.h"
#include "LoopActivityIndicator.h"
#include "LoopUntil.h"
#include "ManualClock.h"
#include "ManualTimerClock.h"
#include "MidiIn.h"
#include "ModalTestDialogs.h"
#include "RecordingIndicator.h"
#include "SimulatedDevice.h"
#include "TempDir.h"
#include "Rs232Link.h"
#include "VirtualMidiDeviceLayer.h"
#include "WaitUntil.h"

struct TLiveBridgeRig {
    static constexpr const char* FirstKeyboardName = "TOREM Test Keys 1";
    static constexpr const char* SecondKeyboardName = "TOREM Test Keys 2";
    static constexpr std::uint16_t FirstKeyboard = 0;
    static constexpr std::uint16_t SecondKeyboard = 1;

    // Both simulators run with options and answer at once unless told.
    explicit TLiveBridgeRig(const TSimOptions& options = {});
    // The window's shut-down: stop taking events, close the MIDI input, then
    // the port when it is open.
    ~TLiveBridgeRig();
    TLiveBridgeRig(const TLiveBridgeRig&) = delete;
    TLiveBridgeRig& operator=(const TLiveBridgeRig&) = delete;

    // The window's start-up: the port of Sim (opened only when asked) and
    // the first keyboard.
    void StartUp(bool openComPort = true);

    // Runs the loop until done() holds; false after FailureBound.
    bool RunUntil(const std::function<bool()>& done);

    // The bridge's watch clock runs out: the port and the MIDI device are
    // tried again, a failed send retried.
    void Tick();

    // Plays messages on a keyboard and runs the loop until the bridge has
    // taken them all and has nothing left to send. For phrases in which a
    // newer level may replace one still waiting.
    bool PlayAndSettle(std::uint16_t keyboard, std::vector<TMidiMessage> messages);
    // Runs the loop until the bridge has nothing left to send.
    bool Settle();

    // Runs the acknowledgement clock out, once, at the first pass of the
    // loop (nested in a wait included) at which condition holds.
    void RunOutAckClockWhen(std::function<bool()> condition);

    // Plays messages on a keyboard and runs the loop until Sim has accepted
    // changes more changes and the bridge has taken every message.
    bool Play(std::uint16_t keyboard, std::vector<TMidiMessage> messages, std::size_t changes);

    TTempDir Dir;
    TSimulatedDevice Sim;
    TSimulatedDevice OtherSim;
    TSimulatedPorts Ports;
    TEventLoop Loop;
    TManualClock AckClock;
    TRs232Link Link;
    TVirtualMidiDeviceLayer Keyboards;
    TMidiInput MidiInput;
    AppSettings Settings;
    TModalTestDialogs Dialogs;
    TLoopActivityIndicator Lamp;
    TRecordingIndicator Indicator;
    TManualTimerClock Watch;  // run out by hand with Tick
    TLoopTimerClock Drain;
    TLiveBridge Bridge;
    // Looks at RunOutAckClockWhen's condition at every pass.
    TLoopTimer AckWatch;
    std::function<bool()> ackRunOutCondition;
};

// The window's shut-down: stop taking events, close the MIDI input (one that
// fails to close is closed all the same), then the port when it is open.
void ShutDownLikeTheWindow(TLiveBridge& bridge, const AppSettings& settings);

// The bytes one change puts on the line: start byte, output, level.
std::vector<std::uint8_t> Wire(const std::vector<TOutputChange>& changes);

// The live bridge on stage, end to end: a JACK dummy server of the test's
// own with a MIDI source on it, the RtMidi layer, TMidiInput, the bridge, the
// serial link on a pseudo-terminal and torem-devsim run as a program. The
// faults are the ones a show meets: the device killed and started again, a
// lost acknowledgement, the JACK server stopped and started again, a device
// that appears only after start-up.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "DevsimProcess.h"
#include "EventLoop.h"
#include "JackServer.h"
#include "LiveBridgeRig.h"
#include "LiveBridge.h"
#include "LoopActivityIndicator.h"
#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "PosixSerialDevice.h"
#include "Rs232Link.h"
#include "RtMidiDeviceLayer.h"
#include "SettingsFile.h"
#include "TempDir.h"
#include "TestDialogs.h"
#include "WaitUntil.h"

namespace {

using Levels = std::array<std::uint8_t, 256>;

const std::string WritingError = "Writing Error on COM port";

// The levels of 256 outputs that start at 0 and take the changes in order.
Levels Applied(const std::vector<TOutputChange>& changes, Levels levels = {})
{
    for (const TOutputChange& change : changes)
        levels[change.Output] = change.Level;
    return levels;
}

// What notes on channel 1 at the default settings ask of the outputs.
struct TScore {
    std::vector<std::vector<unsigned char>> Messages;
    Levels Wanted{};

    void On(int note, int velocity)
    {
        Messages.push_back({0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity)});
        Wanted[static_cast<std::size_t>(note)] = static_cast<std::uint8_t>(2 * velocity + 1);
    }
    void Off(int note)
    {
        Messages.push_back({0x80, static_cast<unsigned char>(note), 0});
        Wanted[static_cast<std::size_t>(note)] = 0;
    }
};

// Overlapping notes: each note starts before the one before it ends, and
// the last few are still held at the end.
TScore Overlapping(int count)
{
    TScore score;
    for (int i = 0; i < count; ++i) {
        score.On(20 + i % 90, 1 + (i * 29) % 126);
        if (i >= 3)
            score.Off(20 + (i - 3) % 90);
    }
    return score;
}

class JackLiveBridge : public ::testing::Test {
protected:
    JackLiveBridge()
        : MidiInput(Layer, std::make_unique<TLoopNotificationTarget>(Loop)),
          AckClock(Loop),
          Link(Ports, AckClock, Loop),
          Lamp(Loop),
          Watch(Loop, [this] { Bridge.WatchClockRanOut(); }),
          Drain(Loop, [this] { Bridge.DrainClockRanOut(); }),
          Bridge(Settings, MidiInput, Link, Dialogs, Lamp, TLiveBridge::TClocks{Watch, Drain})
    {
        MidiInput.SetCapacity(4096);
        Lamp.SetOnTimer([this] { Bridge.Timer2Timer(); });
    }

    ~JackLiveBridge() override { ShutDownLikeTheWindow(Bridge, Settings); }

    void SetUp() override
    {
        ASSERT_TRUE(Server.Start()) << "jackd did not start";
        ASSERT_TRUE(Source.Open()) << Source.LastError();
    }

    // The window's start-up, with the port behind Link and the source.
    void StartUp(const std::string& port, const std::string& device)
    {
        Settings.ComPortName = port;
        Settings.MidiInPortName = device;
        Bridge.OpenComPort();
        Bridge.OpenMidiInPort();
        Bridge.StartWatching();
    }

    // Runs the window's loop until done() holds; false after FailureBound.
    bool RunUntil(const std::function<bool()>& done) { return RunLoopUntil(Loop, done); }

    // Sends the messages from the source eight per JACK period or so (the
    // source's buffer holds about a hundred a period), running the window's
    // loop meanwhile, as a musician's notes come in.
    void Play(const std::vector<std::vector<unsigned char>>& messages, TJackSource* source = nullptr,
              const std::function<void(std::size_t)>& after = {})
    {
        for (std::size_t i = 0; i < messages.size(); ++i) {
            (source != nullptr ? *source : Source).Send(messages[i]);
            if (after)
                after(i);
            if (i % 8 == 7 || i + 1 == messages.size()) {
                const auto next = TEventLoop::Clock::now() + std::chrono::milliseconds(6);
                while (TEventLoop::Clock::now() < next)
                    Loop.RunOnce(std::chrono::milliseconds(1));
            }
        }
    }

    bool Settled()
    {
        return MidiInput.MessageCount() == 0 && Settings.SendContacts.empty() && !Settings.SendBusy &&
               Settings.ComPortOpen;
    }

    // Nothing left to send, and nothing arrived for the last JACK periods.
    bool SettleAfterPlay()
    {
        const auto quietSince = std::make_shared<TEventLoop::Clock::time_point>(TEventLoop::Clock::now());
        return RunUntil([&] {
            if (!Settled())
                *quietSince = TEventLoop::Clock::now();
            return TEventLoop::Clock::now() - *quietSince > std::chrono::milliseconds(100);
        });
    }

    TJackServer Server;  // first: every client of the test finds it
    TJackSource Source{"TOREM test source", "out"};
    TTempDir Dir;
    TRtMidiDeviceLayer Layer;
    TEventLoop Loop;
    TMidiInput MidiInput;
    TLoopAckClock AckClock;
    TPosixSerialPorts Ports;
    TRs232Link Link;
    AppSettings Settings;
    TTestDialogs Dialogs;
    TLoopActivityIndicator Lamp;
    TLoopTimerClock Watch;
    TLoopTimerClock Drain;
    TLiveBridge Bridge;
};

TEST_F(JackLiveBridge, TheDeviceKilledMidBurstIsReconnectedAndEndsInTheWantedState)
{
    const std::string link = Dir.File("torem-port");
    auto first = std::make_unique<TDevsimProcess>(TOREM_DEVSIM_PATH, std::vector<std::string>{"--link", link});
    ASSERT_FALSE(first->Port().empty());
    StartUp(link, Source.Name());
    ASSERT_TRUE(Settings.ComPortOpen);
    ASSERT_TRUE(MidiInput.IsOpen());

    // Killed, its name going with it, once a third of the burst is played;
    // started again on the same link while the notes still come. Counted in
    // notes played, not in changes taken: on a loaded machine the bridge may
    // lag far behind the keyboard, and the kill must still come first.
    const TScore score = Overlapping(300);
    std::unique_ptr<TDevsimProcess> second;
    Play(score.Messages, nullptr, [&](std::size_t i) {
        if (i == score.Messages.size() / 3)
            first->Kill();
        if (i == score.Messages.size() * 2 / 3)
            second = std::make_unique<TDevsimProcess>(TOREM_DEVSIM_PATH, std::vector<std::string>{"--link", link});
    });
    ASSERT_TRUE(second);
    ASSERT_FALSE(second->Port().empty());

    // No user action: the watch opens the link again and brings every
    // output into step.
    ASSERT_TRUE(RunUntil([&] {
        return Settled() && Applied(second->Changes(), Applied(first->Changes())) == score.Wanted;
    }));
    EXPECT_EQ(Bridge.WantedLevels(), score.Wanted);
    EXPECT_EQ(Bridge.ComPortStatus(), (TLinkStatus{true, TLinkProblem::None}));
    EXPECT_FALSE(Dialogs.shown.empty()) << "the loss was told";
    for (const TTestDialogs::Shown& box : Dialogs.shown)
        EXPECT_FALSE(box.waited) << box.text;
}

TEST_F(JackLiveBridge, ALostAcknowledgementLeavesNoOutputOnAndLaterNotesGetThrough)
{
    TDevsimProcess device(TOREM_DEVSIM_PATH, {"--drop-ack", "5", "--state"});
    StartUp(device.Port(), Source.Name());
    ASSERT_TRUE(Settings.ComPortOpen);

    TScore score;
    for (int note = 40; note < 44; ++note)
        score.On(note, 100);
    for (int note = 40; note < 44; ++note)
        score.Off(note);  // the fifth handshake, 40 off at the latest, loses its answer
    Play(score.Messages);
    ASSERT_TRUE(RunUntil([&] { return !Dialogs.shown.empty(); }));
    EXPECT_EQ(Dialogs.TextsOf(TTestDialogs::Kind::Warning),
              (std::vector<std::string>{device.Port() + " : " + WritingError}));
    EXPECT_FALSE(Dialogs.shown[0].waited);

    // Played while the warning is up (nobody answered it): they get through.
    TScore later;
    later.On(60, 64);
    later.On(61, 64);
    later.Off(60);
    Play(later.Messages);
    ASSERT_TRUE(SettleAfterPlay());
    Levels wanted = score.Wanted;
    wanted[61] = later.Wanted[61];
    ASSERT_TRUE(RunUntil([&] { return Applied(device.Changes()) == wanted; }));

    const std::vector<std::string> end = device.Terminate();
    EXPECT_EQ(end, (std::vector<std::string>{"on: 61=129"}));
    EXPECT_EQ(Dialogs.shown.size(), 1u);
}

TEST_F(JackLiveBridge, TheJackServerStoppedAndStartedAgainLeavesTheBridgeRunning)
{
    TDevsimProcess device(TOREM_DEVSIM_PATH, {});
    StartUp(device.Port(), Source.Name());
    ASSERT_TRUE(MidiInput.IsOpen());
    TScore score;
    score.On(10, 10);
    Play(score.Messages);
    ASSERT_TRUE(RunUntil([&] { return Applied(device.Changes()) == score.Wanted; }));

    // The server goes: the program stays, the device is lost.
    Source.Close();
    Server.Stop();
    ASSERT_TRUE(RunUntil([&] { return Bridge.MidiInStatus() == TLinkStatus{false, TLinkProblem::Lost}; }));
    EXPECT_FALSE(MidiInput.IsOpen());

    // It comes back, and the source with it: the notes flow again by themselves.
    ASSERT_TRUE(Server.Start());
    ASSERT_TRUE(Source.Open()) << Source.LastError();
    ASSERT_TRUE(RunUntil([&] { return MidiInput.IsOpen(); }));
    EXPECT_EQ(Bridge.MidiInStatus(), (TLinkStatus{true, TLinkProblem::None}));
    score.Off(10);
    score.On(11, 11);
    Play({score.Messages.end() - 2, score.Messages.end()});

    ASSERT_TRUE(RunUntil([&] { return Applied(device.Changes()) == score.Wanted; }));
    EXPECT_TRUE(Dialogs.shown.empty());
}

TEST_F(JackLiveBridge, ASavedDeviceAbsentAtStartUpIsOpenedWhenItAppearsAndStaysSaved)
{
    TDevsimProcess device(TOREM_DEVSIM_PATH, {});
    TJackSource late("TOREM late source", "keys");
    StartUp(device.Port(), late.Name());
    EXPECT_FALSE(MidiInput.IsOpen());
    EXPECT_EQ(Bridge.MidiInStatus(), (TLinkStatus{false, TLinkProblem::NotFound}));
    EXPECT_EQ(Settings.MidiInPortName, late.Name());

    ASSERT_TRUE(late.Open());
    ASSERT_TRUE(RunUntil([&] { return MidiInput.IsOpen(); }));
    Play({{0x91, 5, 127}}, &late);
    ASSERT_TRUE(RunUntil([&] { return device.Changes() == std::vector<TOutputChange>{{133, 255}}; }));

    // The name is what the settings file keeps at exit.
    const std::filesystem::path file = Dir.File("settings.cfg");
    SaveSettings(Settings, file);
    AppSettings read;
    LoadSettings(read, file);
    EXPECT_EQ(read.MidiInPortName, late.Name());
}

TEST_F(JackLiveBridge, AllNotesOffAndAllOutputsOffSwitchOffWhatIsLit)
{
    TDevsimProcess device(TOREM_DEVSIM_PATH, {"--state"});
    StartUp(device.Port(), Source.Name());
    Play({{0x90, 1, 100}, {0x90, 2, 100}, {0x91, 3, 100}, {0x91, 4, 100}});
    ASSERT_TRUE(SettleAfterPlay());
    ASSERT_TRUE(RunUntil([&] { return device.Changes().size() == 4; }));

    Play({{0xB0, 123, 0}});
    ASSERT_TRUE(SettleAfterPlay());
    ASSERT_TRUE(RunUntil([&] { return device.Changes().size() == 6; }));
    Levels lit{};
    lit[131] = lit[132] = 201;
    EXPECT_EQ(Applied(device.Changes()), lit) << "channel 1 off, channel 2 still on";

    Bridge.AllOutputsOff();
    ASSERT_TRUE(RunUntil([&] { return Settled() && Applied(device.Changes()) == Levels{}; }));
    EXPECT_EQ(device.Terminate(), (std::vector<std::string>{"on:"}));
}

TEST_F(JackLiveBridge, ABurstToASlowDeviceEndsInTheRightStateWithoutABacklog)
{
    // A device that answers in 16 ms and 2000 note events over 16 outputs:
    // the changes that waited were replaced in place, so far fewer than the
    // events went out, and the device ends as the notes ask.
    TDevsimProcess device(TOREM_DEVSIM_PATH, {"--delay", "16"});
    StartUp(device.Port(), Source.Name());
    TScore score;
    for (int i = 0; i < 1200; ++i) {
        const int note = 50 + i % 16;
        score.On(note, 1 + i % 127);
        if (i % 3 != 0)
            score.Off(note);
    }
    Play(score.Messages);
    ASSERT_TRUE(SettleAfterPlay());
    ASSERT_TRUE(RunUntil([&] { return Applied(device.Changes()) == score.Wanted; }));
    EXPECT_LT(device.Changes().size(), score.Messages.size() / 2);
    EXPECT_LE(Settings.SendContacts.size(), 16u);
    EXPECT_TRUE(Dialogs.shown.empty());
}

}  // namespace

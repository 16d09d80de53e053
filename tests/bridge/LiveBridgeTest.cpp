// The live bridge: the output number and the level of a note as tables, then
// the live path end to end: notes played into a virtual keyboard reach the
// device simulator over a real pseudo-terminal through the MIDI input, the
// bridge and the serial link, with modal warning boxes that keep the loop
// running.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LiveBridgeRig.h"
#include "SimulatedLink.h"
#include "Text.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string WritingError = "Writing Error on COM port";
const std::string InitError = "Initialization Error on port COM";
const std::string InitErrorFrench = "Erreur d'initialisation du port COM";
const std::string OpeningError = "Opening Error of COM port";

std::vector<std::string> Warnings(const TLiveBridgeRig& rig)
{
    return rig.Dialogs.TextsOf(TTestDialogs::Kind::Warning);
}

// A run of notes, each struck and released, on channel 1 at the default
// settings: output = note, level 2v + 1, then 0.
struct TRun {
    std::vector<TMidiMessage> Messages;
    std::vector<TOutputChange> Changes;
};

TRun Scale(int first, int count)
{
    TRun run;
    for (int i = 0; i < count; ++i) {
        const int note = first + i;
        const int velocity = 1 + (i * 37) % 127;
        run.Messages.push_back(NoteOn(1, note, velocity));
        run.Messages.push_back(NoteOff(1, note));
        run.Changes.push_back({static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(2 * velocity + 1)});
        run.Changes.push_back({static_cast<std::uint8_t>(note), 0});
    }
    return run;
}

void Inject(TLiveBridgeRig& rig, const TMidiMessage& message)
{
    ASSERT_TRUE(rig.Keyboards.InjectShort(TLiveBridgeRig::FirstKeyboard, message.Status, message.Data1, message.Data2));
}

} // namespace

TEST(LiveBridge, OutputNumberIsTheNoteInItsChannelsBankTransposedByOctavesModulo256)
{
    const struct {
        std::uint8_t status;
        std::uint8_t note;
        std::uint8_t transposeIndex;
        std::uint8_t output;
    } cases[] = {
        {0x90, 60, 5, 60},    // channel 1: outputs 0 to 127
        {0x80, 127, 5, 127},
        {0x91, 60, 5, 188},   // channel 2: outputs 128 to 255
        {0x81, 0, 5, 128},
        {0x92, 60, 5, 60},    // any other status: no bank
        {0xB1, 60, 5, 60},
        {0x90, 60, 1, 12},    // (index - 5) octaves
        {0x90, 60, 2, 24},
        {0x90, 60, 3, 36},
        {0x90, 60, 4, 48},
        {0x90, 60, 6, 72},
        {0x90, 60, 7, 84},
        {0x90, 60, 8, 96},
        {0x90, 60, 9, 108},
        {0x90, 30, 1, 238},   // below 0 wraps to the top
        {0x90, 100, 9, 148},  // up into the channel 2 bank
        {0x91, 0, 1, 80},     // down into the channel 1 bank
        {0x91, 127, 9, 47},   // above 255 wraps to the bottom
        {0x81, 5, 3, 109},
        {0x90, 60, 0, 60},    // outside 1..9: no transposition
        {0x90, 60, 10, 60},
        {0x91, 60, 255, 188},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TLiveBridge::OutputNumber(c.status, c.note, c.transposeIndex), c.output)
            << "status " << int(c.status) << ", note " << int(c.note) << ", index " << int(c.transposeIndex);
}

TEST(LiveBridge, NoteOnLevelIsOffAtVelocity0Else2vPlus1OrFullyOnInDryContact)
{
    const struct {
        std::uint8_t velocity;
        std::uint8_t midiMode;
        std::uint8_t level;
    } cases[] = {
        {0, 1, 0},  {0, 2, 0},    {0, 0, 0},      // velocity 0 is a note-off
        {1, 1, 3},  {64, 1, 129}, {100, 1, 201}, {127, 1, 255},  // Proportional: odd levels 3 to 255
        {1, 2, 255}, {127, 2, 255},                // Dry contact
        {2, 0, 5},  {10, 3, 21},  {50, 255, 101},  // any other mode plays as Proportional
    };
    for (const auto& c : cases)
        EXPECT_EQ(TLiveBridge::NoteOnLevel(c.velocity, c.midiMode), c.level)
            << "velocity " << int(c.velocity) << ", mode " << int(c.midiMode);
}

TEST(LiveBridge, EachChangeTakesTheSettingsOfTheMoment)
{
    // One case each for the output number and the level through the whole
    // path, and a note-off, whose level is 0 in either mode.
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.Settings.ComPortOpen);
    ASSERT_TRUE(rig.Settings.MidiInOpen);

    struct TCase {
        TMidiMessage message;
        std::uint8_t transposeIndex;
        std::uint8_t midiMode;
        TOutputChange expected;
    };
    constexpr std::uint8_t Prop = MidiModeValue::Proportional;
    constexpr std::uint8_t Dry = MidiModeValue::DryContact;
    const std::vector<TCase> cases = {
        {NoteOn(1, 30, 50), 1, Prop, {238, 101}},  // four octaves down wraps to the top
        {NoteOn(1, 64, 1), 5, Dry, {64, 255}},    // Dry contact
        {NoteOff(2, 5, 100), 3, Dry, {109, 0}},
    };
    std::vector<TOutputChange> expected;
    for (const TCase& c : cases) {
        rig.Settings.TransposeIndex = c.transposeIndex;
        rig.Settings.MidiMode = c.midiMode;
        ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {c.message}, 1));
        expected.push_back(c.expected);
    }

    EXPECT_EQ(rig.Sim.Changes(), expected);
    EXPECT_EQ(rig.Sim.Received(), Wire(expected));
    EXPECT_EQ(rig.Sim.Violations(), 0u);
    EXPECT_TRUE(rig.Dialogs.shown.empty());
    EXPECT_EQ(rig.Indicator.lights, static_cast<int>(cases.size()));
}

TEST(LiveBridge, OtherChannelsAndMessagesOnlyLightTheLamp)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    Clock::time_point lastLight;
    rig.Indicator.onLight = [&] { lastLight = Clock::now(); };

    const std::vector<TMidiMessage> ignored = {
        NoteOn(3, 60, 100), NoteOff(3, 60), NoteOn(16, 1, 1), NoteOff(16, 1),
        {0xB0, 7, 100},  // controller
        {0xC1, 5, 0},    // program change
        {0xE0, 0, 64},   // pitch bend
        {0xA0, 60, 10},  // key pressure
        {0xF0, 0x7D, 1}, // system exclusive
    };
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, ignored, 0));
    EXPECT_EQ(rig.Indicator.lights, static_cast<int>(ignored.size()));
    EXPECT_EQ(rig.Sim.ChangeCount(), 0u);

    // The lamp goes dark 100 ms after the last event, through Timer2Timer.
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Lamp.Lit(); }));
    EXPECT_GE(Clock::now() - lastLight, 100ms);
    EXPECT_GE(rig.Indicator.stops, 1);
    EXPECT_FALSE(rig.Lamp.ClockEnabled());

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 2, 3)}, 1));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{2, 7}}));
    EXPECT_EQ(rig.Sim.Received(), Wire({{2, 7}}));
    EXPECT_TRUE(rig.Dialogs.shown.empty());
}

TEST(LiveBridge, BurstDuringAHandshakeArrivesInOrderOnceEach)
{
    // Each note is played the moment the bridge takes the one before it, so
    // every note after the first arrives while a handshake waits and is
    // queued by a nested notification.
    TLiveBridgeRig rig;
    rig.StartUp();
    const TRun run = Scale(36, 40);
    std::size_t played = 1;
    int nested = 0;
    rig.Indicator.onLight = [&] {
        nested += rig.Settings.SendBusy ? 1 : 0;
        if (played < run.Messages.size())
            Inject(rig, run.Messages[played++]);
    };

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {run.Messages.front()}, run.Changes.size()));
    EXPECT_EQ(nested, static_cast<int>(run.Messages.size()) - 1);
    EXPECT_EQ(rig.Sim.Changes(), run.Changes);
    // Exactly start, output, level per change: no handshake began inside another.
    EXPECT_EQ(rig.Sim.Received(), Wire(run.Changes));
    EXPECT_EQ(rig.Sim.Violations(), 0u);
    EXPECT_EQ(rig.Sim.AbandonedFrames(), 0u);
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
    EXPECT_TRUE(rig.Settings.SendValues.empty());
    EXPECT_FALSE(rig.Settings.SendBusy);
    EXPECT_TRUE(rig.Dialogs.shown.empty());
}

TEST(LiveBridge, SilentDeviceWarnsOnceDropsTheMomentAndRecovers)
{
    TLiveBridgeRig rig({.Behaviour = {.Silent = true}});
    rig.StartUp();
    // The rest of the phrase arrives while the first note waits for its start
    // byte's answer; the clock runs out in that wait, once the nested
    // notifications have queued their notes.
    const TRun phrase = Scale(60, 3);
    rig.Indicator.onLight = [&] {
        if (rig.Indicator.lights > 1)
            return;
        for (std::size_t i = 1; i < phrase.Messages.size(); ++i)
            Inject(rig, phrase.Messages[i]);
        rig.Loop.Post([&] { rig.AckClock.RunOut(); });
    };
    // Notes played while the box is up are dropped too; the device answers
    // again by the time the user dismisses it.
    rig.Dialogs.whileShown = [&](const std::string&) {
        Inject(rig, NoteOn(1, 70, 70));
        Inject(rig, NoteOff(1, 70));
        rig.Sim.SetBehaviour({});
    };

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {phrase.Messages.front()}, 0));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{rig.Sim.SlavePath() + " : " + WritingError}));
    EXPECT_EQ(rig.Indicator.lights, static_cast<int>(phrase.Messages.size()) + 2) << "the lamp flashes on";
    EXPECT_FALSE(rig.Settings.SendBusy);
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
    EXPECT_EQ(rig.MidiInput.MessageCount(), 0);

    // The device drops the half change after its frame gap. The next note
    // goes out normally; nothing from before is replayed.
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Sim.AbandonedFrames() == 1; }));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(2, 1, 100)}, 1));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{129, 201}}));
    std::vector<std::uint8_t> wire = {TRs232Link::StartByte};
    for (const std::uint8_t b : Wire({{129, 201}}))
        wire.push_back(b);
    EXPECT_EQ(rig.Sim.Received(), wire);
    EXPECT_EQ(Warnings(rig).size(), 1u);
}

TEST(LiveBridge, ClosedPortDropsEventsWarnsWithoutStackingAndReplaysNothing)
{
    TLiveBridgeRig rig;
    rig.StartUp(/*openComPort=*/false);
    rig.Settings.LanguageIndex = LanguageFrench;
    ASSERT_FALSE(rig.Settings.ComPortOpen);
    ASSERT_TRUE(rig.Settings.MidiInOpen);

    // A chord struck while the first box is on screen opens no box of its own.
    rig.Dialogs.whileShown = [&](const std::string&) {
        if (rig.Dialogs.shown.size() > 1)
            return;
        for (const int note : {60, 64, 67, 72})
            Inject(rig, NoteOn(1, note, 90));
    };
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 48, 90)}, 0));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Dialogs.open == 0 && rig.MidiInput.MessageCount() == 0; }));
    const std::string text = rig.Sim.SlavePath() + " : " + InitErrorFrench;
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{text}));
    EXPECT_EQ(rig.Dialogs.maxOpen, 1);
    EXPECT_EQ(rig.Indicator.lights, 0);

    // A later note warns again, once.
    rig.Dialogs.whileShown = nullptr;
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 48)}, 0));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Dialogs.open == 0; }));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{text, text}));

    // Opening the port sends what is played from then on, and nothing older.
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 50, 10)}, 1));
    rig.Loop.ProcessMessages();  // a replay would be pending, or queued
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{50, 21}}));
    EXPECT_EQ(rig.Sim.Received(), Wire({{50, 21}}));
    EXPECT_EQ(Warnings(rig).size(), 2u);
}

TEST(LiveBridge, FailedOpenLeavesThePortClosedAndNamesIt)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.Settings.ComPortOpen);

    // Opening over an open port releases it, so a failure leaves none open.
    const std::string missing = "/nonexistent/torem-tty";
    rig.Settings.ComPortName = missing;
    EXPECT_EQ(rig.Bridge.OpenComPort(), TComResult::ComErrOpen);
    EXPECT_FALSE(rig.Settings.ComPortOpen);
    EXPECT_FALSE(rig.Settings.ComPortHandle);

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 60, 1)}, 0));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Dialogs.open == 0; }));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{missing + " : " + OpeningError, missing + " : " + InitError}));
    EXPECT_EQ(rig.Sim.ChangeCount(), 0u);
}

TEST(LiveBridge, PortAndKeyboardChangedWhileRunning)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 1, 1)}, 1));

    // Another COM port: the window's COM11Click.
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    EXPECT_FALSE(rig.Settings.ComPortOpen);
    rig.Settings.ComPortName = rig.OtherSim.SlavePath();
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    const std::uint64_t before = rig.OtherSim.ChangeCount();
    {
        TKeyboardPlayer player(rig.Keyboards, TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 2, 2)});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() > before; }));
    }
    // The same port again: closed and reopened.
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    {
        TKeyboardPlayer player(rig.Keyboards, TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 2)});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() > before + 1; }));
    }
    EXPECT_EQ(rig.OtherSim.Changes(), (std::vector<TOutputChange>{{2, 5}, {2, 0}}));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{1, 3}}));

    // Another keyboard: the first one is closed, the second one plays.
    rig.Settings.MidiInPortName = TLiveBridgeRig::SecondKeyboardName;
    rig.Bridge.ReopenMidiInPort();
    EXPECT_TRUE(rig.Settings.MidiInOpen);
    EXPECT_FALSE(rig.Keyboards.IsOpen(TLiveBridgeRig::FirstKeyboard));
    EXPECT_TRUE(rig.Keyboards.IsStarted(TLiveBridgeRig::SecondKeyboard));
    EXPECT_FALSE(rig.Keyboards.InjectShort(TLiveBridgeRig::FirstKeyboard, 0x90, 3, 3));
    {
        TKeyboardPlayer player(rig.Keyboards, TLiveBridgeRig::SecondKeyboard, {NoteOn(2, 3, 3)});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() > before + 2; }));
    }
    EXPECT_EQ(rig.OtherSim.Changes().back(), (TOutputChange{131, 7}));

    // None: nothing open; a name no device has raises and opens nothing.
    rig.Settings.MidiInPortName.clear();
    rig.Bridge.ReopenMidiInPort();
    EXPECT_FALSE(rig.Settings.MidiInOpen);
    EXPECT_FALSE(rig.Keyboards.IsOpen(TLiveBridgeRig::SecondKeyboard));
    rig.Settings.MidiInPortName = "Unplugged Keys";
    EXPECT_THROW(rig.Bridge.ReopenMidiInPort(), EMidiInputError);
    EXPECT_FALSE(rig.Settings.MidiInOpen);

    EXPECT_TRUE(rig.Dialogs.shown.empty());
    EXPECT_EQ(rig.Sim.Violations() + rig.OtherSim.Violations(), 0u);
}

TEST(LiveBridge, FailingNestedHandlerDoesNotStopLaterSends)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    // A system exclusive message whose buffer the device will not take back
    // makes the nested notification throw inside the first handshake's wait.
    rig.Keyboards.SetFailure(TMidiOperation::AddBuffer, MidiResult::Error);
    bool injected = false;
    rig.Indicator.onLight = [&] {
        if (!injected) {
            const std::uint8_t sysex[] = {0xF0, 0x7D, 0xF7};
            injected = rig.Keyboards.InjectSysex(TLiveBridgeRig::FirstKeyboard, sysex);
        }
    };
    Inject(rig, NoteOn(1, 10, 10));
    EXPECT_THROW(rig.RunUntil([] { return false; }), EMidiInputError);
    ASSERT_TRUE(injected);
    EXPECT_FALSE(rig.Settings.SendBusy);

    // The simulator gives up the half change; then the keyboard plays on.
    rig.Keyboards.SetFailure(TMidiOperation::AddBuffer, MidiResult::NoError);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Sim.AbandonedFrames() == 1; }));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 11, 11)}, 1));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{11, 23}}));
}

TEST(LiveBridge, ClosingTheWindowDuringAHandshakeEndsQuietly)
{
    TLiveBridgeRig rig({.Behaviour = {.Silent = true}});
    rig.StartUp();
    // The window closes while the first note waits for its answer, with a
    // second note queued behind it.
    bool closed = false;
    rig.Indicator.onLight = [&] {
        if (rig.Indicator.lights > 1)
            return;
        Inject(rig, NoteOn(1, 20, 20));
        rig.Loop.Post([&] {
            rig.Bridge.BeginShutdown();
            rig.Bridge.CloseMidiInPort();
            rig.Bridge.CloseComPort();
            closed = true;
        });
    };
    Inject(rig, NoteOn(1, 10, 10));
    ASSERT_TRUE(rig.RunUntil([&] { return closed && !rig.Settings.SendBusy; }));

    EXPECT_EQ(rig.Indicator.lights, 2);
    EXPECT_TRUE(rig.Dialogs.shown.empty());
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
    EXPECT_FALSE(rig.Settings.ComPortOpen);
    EXPECT_FALSE(rig.Settings.MidiInOpen);
    TComHandle probe = rig.Ports.Open(rig.Sim.SlavePath());
    EXPECT_EQ(AllReceived(rig.Sim, probe, 1), (std::vector<std::uint8_t>{TRs232Link::StartByte}));
}

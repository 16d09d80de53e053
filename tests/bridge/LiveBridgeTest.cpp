// The live bridge: the output number and the level of a note as tables, then
// the live path end to end: notes played into a virtual keyboard reach the
// device simulator over a real pseudo-terminal (a line in memory on Windows)
// through the MIDI input, the bridge and the serial link, with modal warning
// boxes that keep the loop running.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
    std::vector<TMidiMessage> chord;
    std::vector<TOutputChange> changes;
    for (int i = 0; i < 40; ++i) {
        chord.push_back(NoteOn(1 + i % 2, 36 + i, 1 + i));
        changes.push_back({static_cast<std::uint8_t>((i % 2) * 128 + 36 + i), static_cast<std::uint8_t>(3 + 2 * i)});
    }
    std::size_t played = 1;
    int nested = 0;
    rig.Indicator.onLight = [&] {
        nested += rig.Settings.SendBusy ? 1 : 0;
        if (played < chord.size())
            Inject(rig, chord[played++]);
    };

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {chord.front()}, changes.size()));
    EXPECT_GT(nested, 0);
    EXPECT_EQ(rig.Sim.Changes(), changes);
    // Exactly start, output, level per change: no handshake began inside another.
    EXPECT_EQ(rig.Sim.Received(), Wire(changes));
    EXPECT_EQ(rig.Sim.Violations(), 0u);
    EXPECT_EQ(rig.Sim.AbandonedFrames(), 0u);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Settings.SendContacts.empty(); }));
    EXPECT_TRUE(rig.Settings.SendValues.empty());
    EXPECT_FALSE(rig.Settings.SendBusy);
    EXPECT_TRUE(rig.Dialogs.shown.empty());
}

TEST(LiveBridge, AWaitingChangeTakesTheNewerLevelInItsPlace)
{
    // While the first change waits for its answer, output 10 is struck and
    // released three times and output 11 once: 10 keeps its place in the
    // queue with its last level, and no stale level goes out.
    TLiveBridgeRig rig;
    rig.StartUp();
    const std::vector<TMidiMessage> during = {NoteOn(1, 10, 1), NoteOn(1, 11, 2), NoteOff(1, 10), NoteOn(1, 10, 3),
                                              NoteOff(1, 10), NoteOn(1, 10, 4)};
    bool injected = false;
    rig.Indicator.onLight = [&] {
        if (injected)
            return;
        injected = true;
        for (const TMidiMessage& message : during)
            Inject(rig, message);
    };
    std::size_t longest = 0;
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 5, 5)}, 3));
    ASSERT_TRUE(rig.RunUntil([&] {
        longest = std::max(longest, rig.Settings.SendContacts.size());
        return rig.Settings.SendContacts.empty() && !rig.Settings.SendBusy;
    }));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{5, 11}, {10, 9}, {11, 5}}));
    EXPECT_LE(longest, 2u);
}

TEST(LiveBridge, ANoteOffGoesToTheOutputItsNoteOnLit)
{
    // The transposition changes while notes are held: each release still
    // switches off what its strike lit, on either channel.
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 60, 10), NoteOn(2, 60, 10)}, 2));
    rig.Settings.TransposeIndex = 7;
    rig.Settings.MidiMode = MidiModeValue::DryContact;
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 60), NoteOn(2, 60, 0), NoteOn(1, 60, 9)}, 3));
    // Struck again at another transposition: the key lights one output only.
    rig.Settings.TransposeIndex = 5;
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 60, 9)}, 2));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 60)}, 1));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{60, 21},
                                                             {188, 21},
                                                             {60, 0},
                                                             {188, 0},
                                                             {84, 255},
                                                             {84, 0},
                                                             {60, 255},
                                                             {60, 0}}));
}

TEST(LiveBridge, AllNotesOffSwitchesOffItsChannelAndAllOutputsOffEverything)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.PlayAndSettle(TLiveBridgeRig::FirstKeyboard,
                                  {NoteOn(1, 1, 1), NoteOn(1, 2, 1), NoteOn(2, 3, 1), NoteOn(2, 4, 1), NoteOff(1, 2)}));
    rig.Sim.ClearHistory();

    // All Notes Off (123) on channel 1 switches off what channel 1 still has
    // lit, and nothing of channel 2; All Sound Off (120) on channel 2 the rest.
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {{0xB0, 123, 0}}, 1));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{1, 0}}));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {{0xB1, 120, 0}}, 2));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{1, 0}, {131, 0}, {132, 0}}));
    EXPECT_EQ(rig.Sim.Levels(), (std::array<std::uint8_t, 256>{}));

    // "All outputs off": the device's levels are known for the outputs played
    // so far, the others not; every output not known to be at 0 gets 0.
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 7, 7)}, 1));
    rig.Sim.ClearHistory();
    rig.Bridge.AllOutputsOff();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Sim.ChangeCount() == 256 - 4; }));
    rig.Loop.ProcessMessages();
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
    const std::vector<TOutputChange> sent = rig.Sim.Changes();
    EXPECT_EQ(sent.front(), (TOutputChange{0, 0}));
    for (const int known : {1, 2, 131, 132})
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [&](const TOutputChange& c) { return c.Output == known; }),
                  0)
            << int(known);
    EXPECT_EQ(rig.Sim.Level(7), 0);

    // Once everything is known to be at 0, it sends nothing.
    rig.Sim.ClearHistory();
    rig.Bridge.AllOutputsOff();
    rig.Loop.ProcessMessages();
    EXPECT_EQ(rig.Sim.ChangeCount(), 0u);
    EXPECT_TRUE(rig.Settings.SendContacts.empty());
}

TEST(LiveBridge, ASilentDeviceIsTriedAgainAtOnceThenOnTheWatchAndBroughtIntoStepWhenItAnswers)
{
    TLiveBridgeRig rig({.Behaviour = {.Silent = true}});
    rig.StartUp();
    // The rest of the phrase arrives while the first note waits for its start
    // byte's answer.
    const TRun phrase = Scale(60, 3);
    rig.Indicator.onLight = [&] {
        if (rig.Indicator.lights > 1)
            return;
        for (std::size_t i = 1; i < phrase.Messages.size(); ++i)
            Inject(rig, phrase.Messages[i]);
    };
    // Each wait runs out once the device has dropped the half change, as it
    // does in the second a real wait lasts. One lost answer: the same change
    // is tried again at once, not a second later; lost too, the device is
    // not answering.
    int ranOut = 0;
    TLinkStatus duringRetry;
    rig.RunOutAckClockWhen([&] {
        if (ranOut == 0 && rig.Sim.AbandonedFrames() == 1) {
            ++ranOut;
            rig.AckClock.RunOut();
            return false;
        }
        if (ranOut == 1 && rig.Settings.SendBusy)
            duringRetry = rig.Bridge.ComPortStatus();
        return rig.Sim.AbandonedFrames() == 2;
    });
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {phrase.Messages.front()}, 0));
    ASSERT_TRUE(rig.RunUntil([&] {
        return rig.Bridge.ComPortStatus().Problem == TLinkProblem::NotAnswering && !rig.Settings.SendBusy &&
               rig.MidiInput.MessageCount() == 0;
    }));
    EXPECT_EQ(duringRetry, (TLinkStatus{true, TLinkProblem::None}));
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{true, TLinkProblem::NotAnswering}));
    ASSERT_EQ(rig.Dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.Dialogs.shown[0].text, rig.Sim.SlavePath() + " : " + WritingError);
    EXPECT_FALSE(rig.Dialogs.shown[0].waited);
    EXPECT_FALSE(rig.Settings.SendContacts.empty()) << "nothing is dropped";

    // More notes while the box is up: queued, no second box, nothing sent
    // before the watch tries again.
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 70, 70), NoteOn(1, 71, 71), NoteOff(1, 71)}, 0));
    rig.Loop.ProcessMessages();
    EXPECT_FALSE(rig.Settings.SendBusy);
    EXPECT_EQ(rig.Dialogs.shown.size(), 1u);

    // The device answers again by the watch's next tick: the output that
    // failed goes first, then the others, each once with its last level.
    rig.Sim.SetBehaviour({});
    rig.Sim.ClearHistory();
    rig.Tick();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Settings.SendContacts.empty() && !rig.Settings.SendBusy; }));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{60, 0}, {61, 0}, {62, 0}, {70, 141}, {71, 0}}));
    EXPECT_EQ(rig.Sim.Received(), Wire(rig.Sim.Changes()));
    EXPECT_EQ(rig.Dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{true, TLinkProblem::None})) << "answering again";
    EXPECT_EQ(rig.Bridge.Figures().Unanswered, 2u);
}

TEST(LiveBridge, ALostAcknowledgementLeavesNoOutputOn)
{
    // The device takes the level of the third handshake but its answer is
    // lost; the change comes again, before the notes played meanwhile.
    TLiveBridgeRig rig({.Behaviour = {.DropLevelAck = 3}});
    rig.StartUp();
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 1, 1)}, 1));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 2, 1)}, 1));
    // Played as the third change goes out, so they arrive during its wait,
    // and the wait runs out once the device has taken the level.
    bool injected = false;
    rig.Indicator.onLight = [&] {
        if (injected)
            return;
        injected = true;
        Inject(rig, NoteOn(1, 3, 3));
        Inject(rig, NoteOn(1, 4, 4));
        Inject(rig, NoteOff(1, 2));
    };
    rig.RunOutAckClockWhen([&] { return rig.Sim.ChangeCount() == 3; });
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 1)}, 1));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.MidiInput.MessageCount() == 0 && !rig.Settings.SendBusy; }));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{rig.Sim.SlavePath() + " : " + WritingError}));
    EXPECT_EQ(rig.Sim.Level(1), 0) << "the device has the level; only its answer was lost";

    // Tried again at once: no tick of the watch is needed.
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Settings.SendContacts.empty() && !rig.Settings.SendBusy; }));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{1, 3}, {2, 3}, {1, 0}, {1, 0}, {3, 7}, {4, 9}, {2, 0}}));
    for (unsigned output = 0; output < 256; ++output)
        EXPECT_EQ(rig.Sim.Level(static_cast<std::uint8_t>(output)),
                  rig.Bridge.WantedLevels()[output])
            << output;
}

TEST(LiveBridge, AClosedPortWarnsOnceAndGetsTheWantedLevelsWhenItOpens)
{
    TLiveBridgeRig rig;
    rig.StartUp(/*openComPort=*/false);
    rig.Settings.LanguageIndex = LanguageFrench;
    ASSERT_FALSE(rig.Settings.ComPortOpen);
    ASSERT_TRUE(rig.Settings.MidiInOpen);

    // One box for the whole spell, however many notes come.
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard,
                         {NoteOn(1, 48, 90), NoteOn(1, 60, 90), NoteOn(1, 64, 90), NoteOff(1, 48)}, 0));
    const std::string text = rig.Sim.SlavePath() + " : " + InitErrorFrench;
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{text}));
    EXPECT_FALSE(rig.Dialogs.shown[0].waited);
    EXPECT_EQ(rig.Indicator.lights, 0);
    EXPECT_EQ(rig.MidiInput.MessageCount(), 0) << "fetched, not left in the ring";

    // The port opens: the outputs the notes drove get their levels, in
    // output order, and nothing else.
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Sim.ChangeCount() == 3; }));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{48, 0}, {60, 181}, {64, 181}}));
    rig.Loop.ProcessMessages();
    EXPECT_TRUE(rig.Settings.SendContacts.empty());

    // Closed again by hand: the next note warns again, once.
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 60), NoteOff(1, 64)}, 0));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{text, text}));
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
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{false, TLinkProblem::NotFound}));

    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 60, 1)}, 0));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{missing + " : " + OpeningError, missing + " : " + InitError}));
    EXPECT_EQ(rig.Sim.ChangeCount(), 0u);

    // Tried again quietly at each tick while it is missing.
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(Warnings(rig).size(), 2u);
    EXPECT_FALSE(rig.Settings.ComPortOpen);
}

TEST(LiveBridge, PortAndKeyboardChangedWhileRunning)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 1, 1)}, 1));

    // Another COM port: the window's COM11Click. What the bridge drove is
    // brought into step on the new port first.
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    EXPECT_FALSE(rig.Settings.ComPortOpen);
    rig.Settings.ComPortName = rig.OtherSim.SlavePath();
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.Settle());
    {
        TKeyboardPlayer player(rig.Keyboards, TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 2, 2)});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() == 2; }));
    }
    // The same port again: closed and reopened.
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.Settle());
    {
        TKeyboardPlayer player(rig.Keyboards, TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 2)});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() == 5; }));
    }
    EXPECT_EQ(rig.OtherSim.Changes(), (std::vector<TOutputChange>{{1, 3}, {2, 5}, {1, 3}, {2, 5}, {2, 0}}));
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
        ASSERT_TRUE(rig.RunUntil([&] { return rig.OtherSim.ChangeCount() == 6; }));
    }
    EXPECT_EQ(rig.OtherSim.Changes().back(), (TOutputChange{131, 7}));

    // None: nothing open. A name no device has is kept and waited for.
    rig.Settings.MidiInPortName.clear();
    rig.Bridge.ReopenMidiInPort();
    EXPECT_FALSE(rig.Settings.MidiInOpen);
    EXPECT_FALSE(rig.Keyboards.IsOpen(TLiveBridgeRig::SecondKeyboard));
    rig.Settings.MidiInPortName = "Unplugged Keys";
    rig.Bridge.ReopenMidiInPort();
    EXPECT_FALSE(rig.MidiInput.IsOpen());
    EXPECT_EQ(rig.Bridge.MidiInStatus(), (TLinkStatus{false, TLinkProblem::NotFound}));
    EXPECT_EQ(rig.Settings.MidiInPortName, "Unplugged Keys");

    EXPECT_TRUE(rig.Dialogs.shown.empty());
    EXPECT_EQ(rig.Sim.Violations() + rig.OtherSim.Violations(), 0u);
}

TEST(LiveBridge, AKeyboardThatComesAndGoesIsOpenedByItself)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    rig.Settings.MidiInPortName = "Later Keys";
    rig.Bridge.ReopenMidiInPort();
    std::vector<TLinkStatus> seen;
    rig.Bridge.SetOnStatusChanged([&] { seen.push_back(rig.Bridge.MidiInStatus()); });

    // Plugged in: opened at the next tick, and it plays.
    const std::uint16_t later = rig.Keyboards.AddDevice("Later Keys");
    rig.Tick();
    ASSERT_TRUE(rig.Keyboards.IsStarted(later));
    EXPECT_EQ(rig.Bridge.MidiInStatus(), (TLinkStatus{true, TLinkProblem::None}));
    ASSERT_TRUE(rig.Play(later, {NoteOn(1, 9, 9)}, 1));

    // Unplugged with the note held: lost at the next tick, and what the note
    // lit goes off, once; plugged in again: open again, and the note-off
    // that comes late changes nothing.
    std::uint64_t released = 0;
    rig.Bridge.SetOnNotesReleased([&](std::uint64_t notes) { released += notes; });
    rig.Keyboards.RemoveDevice(later);
    rig.Tick();
    EXPECT_FALSE(rig.MidiInput.IsOpen());
    EXPECT_EQ(rig.Bridge.MidiInStatus(), (TLinkStatus{false, TLinkProblem::Lost}));
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(released, 1u);
    EXPECT_EQ(rig.Bridge.Figures().ReleasedNotes, 1u);
    rig.Tick();
    EXPECT_EQ(rig.Bridge.MidiInStatus(), (TLinkStatus{false, TLinkProblem::Lost}));
    const std::uint16_t again = rig.Keyboards.AddDevice("Later Keys");
    rig.Tick();
    ASSERT_TRUE(rig.Keyboards.IsStarted(again));
    ASSERT_TRUE(rig.PlayAndSettle(again, {NoteOff(1, 9)}));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{9, 19}, {9, 0}}));
    EXPECT_EQ(released, 1u);
    EXPECT_EQ(seen, (std::vector<TLinkStatus>{
                        {true, TLinkProblem::None}, {false, TLinkProblem::Lost}, {true, TLinkProblem::None}}));
    EXPECT_TRUE(rig.Dialogs.shown.empty());
    rig.Bridge.SetOnStatusChanged(nullptr);  // seen and released go before the rig
    rig.Bridge.SetOnNotesReleased(nullptr);
}

TEST(LiveBridge, ALostPortIsOpenedAgainByNameAndBroughtIntoStep)
{
    // The port is a link that the test points at one simulator, then, after
    // the first one is gone, at another, as torem-devsim --link does.
    TLiveBridgeRig rig;
    const std::string link = rig.Dir.File("torem-port");
    ASSERT_TRUE(PointPortName(link, rig.Sim));
    rig.StartUp();
    rig.Settings.ComPortName = link;
    ASSERT_EQ(rig.Bridge.CloseComPort(), TComResult::ComOk);
    ASSERT_EQ(rig.Bridge.OpenComPort(), TComResult::ComOk);
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 1, 1), NoteOn(2, 2, 2)}, 2));

    // The device goes away, and its name with it: the next change finds the
    // port hung up. Notes played while it is gone warn once, and still count.
    rig.Sim.HangUp();
    ASSERT_TRUE(UnplugPortName(link));
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOff(1, 1)}, 0));
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Settings.ComPortOpen; }));
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{false, TLinkProblem::Lost}));
    // Another device, as a parallel test starts, may take the lost one's
    // number: the name must not lead to it.
    TSimulatedDevice stranger;
    stranger.Start();
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 3, 3), NoteOn(1, 4, 4), NoteOff(1, 4)}, 0));
    EXPECT_EQ(Warnings(rig), (std::vector<std::string>{link + " : " + WritingError, link + " : " + InitError}));
    rig.Tick();  // still gone, and shown as lost
    EXPECT_FALSE(rig.Settings.ComPortOpen);
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{false, TLinkProblem::Lost}));

    // It comes back on the same name: opened at the next tick, and every
    // output the bridge drove gets its level.
    ASSERT_TRUE(PointPortName(link, rig.OtherSim));
    rig.Tick();
    ASSERT_TRUE(rig.Settings.ComPortOpen);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Settings.SendContacts.empty() && !rig.Settings.SendBusy; }));
    EXPECT_EQ(rig.OtherSim.Changes(), (std::vector<TOutputChange>{{1, 0}, {3, 7}, {4, 0}, {130, 5}}));
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{true, TLinkProblem::None}));
    EXPECT_EQ(Warnings(rig).size(), 2u);
    EXPECT_TRUE(stranger.Changes().empty());
    EXPECT_EQ(rig.Bridge.Figures().Reconnections, 1u);

    // Gone again while nothing is played: the next tick of the watch sees
    // it, and the one after opens the device that has taken the name.
    rig.OtherSim.HangUp();
    rig.Tick();
    EXPECT_EQ(rig.Bridge.ComPortStatus(), (TLinkStatus{false, TLinkProblem::Lost}));
    TSimulatedDevice third;
    third.Start();
    ASSERT_TRUE(PointPortName(link, third));
    rig.Tick();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Settings.SendContacts.empty() && !rig.Settings.SendBusy; }));
    EXPECT_EQ(third.Changes(), (std::vector<TOutputChange>{{1, 0}, {3, 7}, {4, 0}, {130, 5}}));
    EXPECT_EQ(Warnings(rig).size(), 2u) << "the label and the log tell an idle loss, not a box";
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

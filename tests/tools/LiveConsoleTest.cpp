// torem-live's command line, its listing, and the console bridge end to end:
// a virtual keyboard, the core bridge on the plain event loop, the serial
// link and the simulated device (a pseudo-terminal, or a line in memory on
// Windows), with every line the console tells.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "KeyboardPlayer.h"
#include "LiveConsole.h"
#include "LoopUntil.h"
#include "ConsoleLines.h"
#include "NoMidiDeviceLayer.h"
#include "SimulatedDevice.h"
#include "TempDir.h"
#include "VirtualMidiDeviceLayer.h"

namespace {

// The lines told, the figures of the end left out once they are seen.
std::vector<std::string> Lines(const std::ostringstream& log)
{
    std::vector<std::string> lines = ConsoleLines(log.str());
    if (!lines.empty() && lines.back().rfind("torem-live: Changes sent: ", 0) == 0)
        lines.pop_back();
    return lines;
}

// The console on a virtual keyboard and a simulated device.
struct TConsoleRig {
    explicit TConsoleRig(const TLiveOptions& options) : Console(options, Keys, Ports, Log)
    {
        Keyboard = Keys.AddDevice("Stage Keys");
        Sim.Start();
        OtherSim.Start();
    }

    // Plays messages and runs the loop until the device has changes more
    // changes.
    bool Play(std::vector<TMidiMessage> messages, std::size_t changes, TDeviceProtocol& device)
    {
        const std::size_t target = device.ChangeCount() + changes;
        TKeyboardPlayer player(Keys, Keyboard, std::move(messages));
        return RunLoopUntil(Console.Loop(), [&] { return player.Done() && device.ChangeCount() >= target; });
    }

    TVirtualMidiDeviceLayer Keys;
    std::uint16_t Keyboard = 0;
    TSimulatedDevice Sim;
    TSimulatedDevice OtherSim;
    TSimulatedPorts Ports;
    std::ostringstream Log;
    TLiveConsole Console;
};

TLiveOptions Options(const std::string& port, const std::string& midi)
{
    TLiveOptions options;
    options.Port = port;
    options.Midi = midi;
    return options;
}

}  // namespace

TEST(LiveOptions, AreReadAsTheHelpSays)
{
    struct TCase {
        std::vector<std::string> arguments;
        std::optional<int> exitCode;
        TLiveOptions read;
    };
    const auto read = [](std::string port, std::string midi, std::uint8_t mode, std::uint8_t index) {
        TLiveOptions options;
        options.Port = std::move(port);
        options.Midi = std::move(midi);
        options.MidiMode = mode;
        options.TransposeIndex = index;
        return options;
    };
    const TCase cases[] = {
        {{"--port", "COM12", "--midi", "Keys"}, std::nullopt, read("COM12", "Keys", 1, 5)},
        {{"--port=/dev/ttyUSB0", "--midi=A B", "--mode", "dry", "--transpose", "-4"}, std::nullopt,
         read("/dev/ttyUSB0", "A B", 2, 1)},
        {{"--midi", "-K-", "--port", "P", "--transpose=+4", "--mode=proportional"}, std::nullopt,
         read("P", "-K-", 1, 9)},
        {{"--transpose", "0", "--port", "P", "--midi", "K"}, std::nullopt, read("P", "K", 1, 5)},
        {{"--port", "P"}, 2, {}},
        {{"--midi", "K"}, 2, {}},
        {{"--port"}, 2, {}},
        {{"--port", "P", "--midi", "K", "--mode", "wet"}, 2, {}},
        {{"--port", "P", "--midi", "K", "--transpose", "5"}, 2, {}},
        {{"--port", "P", "--midi", "K", "--transpose", "1.5"}, 2, {}},
        {{"--port", "P", "--midi", "K", "--transpose", ""}, 2, {}},
        {{"--port", "P", "--midi", "K", "extra"}, 2, {}},
        {{"--port", "P", "--midi", "K", "--speed", "9"}, 2, {}},
    };
    for (const TCase& c : cases) {
        TLiveOptions options;
        EXPECT_EQ(ReadLiveOptions(c.arguments, options), c.exitCode) << c.arguments.back();
        if (c.exitCode)
            continue;
        EXPECT_EQ(options.Port, c.read.Port);
        EXPECT_EQ(options.Midi, c.read.Midi);
        EXPECT_EQ(options.MidiMode, c.read.MidiMode);
        EXPECT_EQ(options.TransposeIndex, c.read.TransposeIndex);
        EXPECT_FALSE(options.List);
    }
    TLiveOptions list;
    EXPECT_EQ(ReadLiveOptions({"--list"}, list), std::nullopt) << "needs neither port nor device";
    EXPECT_TRUE(list.List);
}

TEST(LiveOptions, ATestOrAPlayNeedsNoMidiDeviceAndTakesItsOwnOptions)
{
    using K = TTestOptions::TKind;
    struct TCase {
        std::vector<std::string> arguments;
        std::optional<int> exitCode;
        K kind;
        TChase chase;
        std::string play;
        std::uint32_t fromMs;
        std::uint16_t resolutionMs;
    };
    const TCase cases[] = {
        {{"--port", "P", "--test", "output", "7", "200"}, std::nullopt, K::Output, {7, 7, 200, 4}, "", 0, 1000},
        {{"--port", "P", "--test", "range", "10", "20", "9", "--view"}, std::nullopt, K::Range, {10, 20, 9, 4}, "",
         0, 1000},
        {{"--port", "P", "--test", "chase", "--from", "3", "--to=9", "--level", "50", "--rate", "2.5"}, std::nullopt,
         K::Chase, {3, 9, 50, 2.5}, "", 0, 1000},
        {{"--port", "P", "--test", "chase"}, std::nullopt, K::Chase, {0, 255, 255, 4}, "", 0, 1000},
        {{"--port", "P", "--play", "show.mid", "--resolution", "250", "--from", "90"}, std::nullopt, K::Output, {},
         "show.mid", 90000, 250},
        {{"--port", "P", "--test", "output", "7"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "output", "7", "256"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "range", "20", "10", "9"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "chase", "--from", "9", "--to", "3"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "chase", "--rate", "0"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "blink"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--test", "output", "1", "2", "--level", "3"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--play", "a.seq", "--test", "off"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--play", "a.mid", "--resolution", "300"}, 2, {}, {}, "", 0, 0},
        {{"--port", "P", "--from", "3"}, 2, {}, {}, "", 0, 0},
        {{"--test", "off"}, 2, {}, {}, "", 0, 0},
    };
    for (const TCase& c : cases) {
        TLiveOptions options;
        EXPECT_EQ(ReadLiveOptions(c.arguments, options), c.exitCode) << c.arguments.back();
        if (c.exitCode)
            continue;
        EXPECT_TRUE(options.Midi.empty());
        EXPECT_EQ(options.Play, c.play);
        EXPECT_EQ(options.FromMs, c.fromMs);
        EXPECT_EQ(options.ResolutionMs, c.resolutionMs);
        ASSERT_EQ(options.Test.has_value(), c.play.empty());
        if (options.Test) {
            EXPECT_EQ(options.Test->Kind, c.kind);
            EXPECT_EQ(options.Test->Chase.From, c.chase.From);
            EXPECT_EQ(options.Test->Chase.To, c.chase.To);
            EXPECT_EQ(options.Test->Chase.Level, c.chase.Level);
            EXPECT_EQ(options.Test->Chase.StepsPerSecond, c.chase.StepsPerSecond);
        }
    }
}

TEST(LiveConsole, ListsDevicesAndPortsByTheNamesTheOptionsTake)
{
    TVirtualMidiDeviceLayer keys;
    keys.AddDevice("Stage Keys");
    keys.AddDevice("Pads");
    std::ostringstream out;
    ListDevicesAndPorts(keys, {"COM3", "COM12"}, out);
    EXPECT_EQ(out.str(), "MIDI input devices:\n  Stage Keys\n  Pads\nSerial ports:\n  COM3\n  COM12\n");

    TNoMidiDeviceLayer none;
    std::ostringstream empty;
    ListDevicesAndPorts(none, {}, empty);
    EXPECT_EQ(empty.str(), "MIDI input devices:\n  (none: no MIDI system answers)\nSerial ports:\n"
                           "  (none found; any device path may still be given)\n");
}

TEST(LiveConsole, PlaysAndTellsEachChangeOfStateOnce)
{
    TTempDir dir;
    const std::string port = dir.File("torem-live-port");
    TLiveOptions options = Options(port, "Stage Keys");
    options.MidiMode = MidiModeValue::DryContact;
    options.TransposeIndex = 6;
    TConsoleRig rig(options);
    ASSERT_TRUE(PointPortName(port, rig.Sim));
    rig.Console.Start();
    ASSERT_TRUE(rig.Play({NoteOn(1, 10, 20), NoteOn(2, 10, 1)}, 2, rig.Sim));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{22, 255}, {150, 255}}));

    // The device goes: the next note finds the port lost. It comes back on
    // the same name, and what the notes want meanwhile reaches it.
    rig.Sim.HangUp();
    ASSERT_TRUE(UnplugPortName(port));
    ASSERT_TRUE(rig.Play({NoteOff(1, 10)}, 0, rig.Sim));
    ASSERT_TRUE(RunLoopUntil(rig.Console.Loop(), [&] { return !rig.Console.Settings().ComPortOpen; }));
    ASSERT_TRUE(PointPortName(port, rig.OtherSim));
    rig.Console.Bridge().WatchClockRanOut();
    ASSERT_TRUE(RunLoopUntil(rig.Console.Loop(), [&] { return rig.OtherSim.ChangeCount() == 2; }));
    EXPECT_EQ(rig.OtherSim.Changes(), (std::vector<TOutputChange>{{22, 0}, {150, 255}}));

    // The keyboard is unplugged with a note held: what it lit goes off. It
    // is plugged in again, and the late note-off changes nothing.
    rig.Keys.RemoveDevice(rig.Keyboard);
    rig.Console.Bridge().WatchClockRanOut();
    ASSERT_TRUE(RunLoopUntil(rig.Console.Loop(), [&] { return rig.OtherSim.ChangeCount() == 3; }));
    EXPECT_EQ(rig.OtherSim.Changes().back(), (TOutputChange{150, 0}));
    rig.Keyboard = rig.Keys.AddDevice("Stage Keys");
    rig.Console.Bridge().WatchClockRanOut();
    ASSERT_TRUE(rig.Play({NoteOff(2, 10)}, 0, rig.OtherSim));
    EXPECT_EQ(rig.OtherSim.ChangeCount(), 3u);

    rig.Console.Stop();
    const std::string device = "torem-live: MIDI device \"Stage Keys\": ";
    EXPECT_EQ(Lines(rig.Log), (std::vector<std::string>{
                                  "torem-live: port " + port + ": Open.",
                                  device + "Open.",
                                  "torem-live: warning: " + port + " : Writing Error on COM port",
                                  "torem-live: port " + port + ": Lost. Tried again every second.",
                                  "torem-live: port " + port + ": Open again.",
                                  device + "Lost. Opened as soon as it appears.",
                                  device + "Outputs of held notes switched off: 1",
                                  device + "Open again.",
                                  device + "Closed.",
                                  "torem-live: port " + port + ": Closed.",
                              }));
    // Let go: the port opens again for another program.
    EXPECT_FALSE(rig.Keys.IsOpen(rig.Keyboard));
    EXPECT_TRUE(rig.Ports.Open(port));
}

TEST(LiveConsole, WhatIsNotThereAtTheStartIsOpenedWhenItComes)
{
    TTempDir dir;
    const std::string port = dir.File("torem-live-later");
    TConsoleRig rig(Options(port, "Later Keys"));
    rig.Console.Start();
    rig.Console.Bridge().WatchClockRanOut();  // still nothing: told once
    ASSERT_TRUE(PointPortName(port, rig.Sim));
    const std::uint16_t later = rig.Keys.AddDevice("Later Keys");
    rig.Console.Bridge().WatchClockRanOut();
    ASSERT_TRUE(rig.Console.Settings().ComPortOpen);
    TKeyboardPlayer player(rig.Keys, later, {NoteOn(1, 60, 63)});
    ASSERT_TRUE(RunLoopUntil(rig.Console.Loop(), [&] { return rig.Sim.ChangeCount() == 1; }));
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{60, 127}}));

    rig.Console.Stop();
    rig.Console.Stop();  // once only
    EXPECT_EQ(Lines(rig.Log), (std::vector<std::string>{
                                  "torem-live: port " + port + ": Not found. Tried again every second.",
                                  "torem-live: warning: " + port + " : Opening Error of COM port",
                                  "torem-live: MIDI device \"Later Keys\": Not found. Opened as soon as it appears.",
                                  "torem-live: port " + port + ": Open.",
                                  "torem-live: MIDI device \"Later Keys\": Open.",
                                  "torem-live: MIDI device \"Later Keys\": Closed.",
                                  "torem-live: port " + port + ": Closed.",
                              }));
}

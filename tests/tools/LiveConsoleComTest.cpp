// torem-live's bridge as built for Windows, playing to the simulator through
// a COM port under wine: the Win32 serial device on COM12, which
// tests/support/wine-com-ports.sh maps onto torem-devsim. Wine has no MIDI
// input here, so a virtual keyboard plays. Skipped without the mapping.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KeyboardPlayer.h"
#include "LiveConsole.h"
#include "LoopUntil.h"
#include "VirtualMidiDeviceLayer.h"
#include "Win32SerialDevice.h"

namespace {

// The changes the simulator behind COM12 has accepted since it started.
std::vector<std::string> Accepted(const std::string& folder)
{
    std::ifstream log(folder + "/COM12.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

TEST(LiveConsoleOnCom12, PlaysNotesToTheDeviceThroughTheWin32SerialCalls)
{
    const char* folder = std::getenv("TOREM_COM_PORTS");
    if (folder == nullptr)
        GTEST_SKIP() << "no simulated device mapped as a COM port (TOREM_COM_PORTS)";
    TVirtualMidiDeviceLayer keys;
    const std::uint16_t keyboard = keys.AddDevice("Stage Keys");
    TWin32SerialPorts ports;
    std::ostringstream log;
    TLiveOptions options;
    options.Port = "COM12";
    options.Midi = "Stage Keys";
    options.TransposeIndex = 4;
    TLiveConsole console(options, keys, ports, log);
    console.Start();
    ASSERT_TRUE(console.Settings().ComPortOpen) << log.str();

    // One change per output: a newer change would replace a waiting one.
    const std::size_t before = Accepted(folder).size();
    std::vector<TMidiMessage> notes;
    std::vector<std::string> expected;
    for (int note = 40; note < 80; ++note) {
        notes.push_back(NoteOn(1 + note % 2, note, note));
        const int output = (note % 2) * 128 + note - 12;
        expected.push_back(std::to_string(output) + " " + std::to_string(2 * note + 1));
    }
    TKeyboardPlayer player(keys, keyboard, notes);
    ASSERT_TRUE(RunLoopUntil(console.Loop(), [&] { return Accepted(folder).size() >= before + expected.size(); }))
        << log.str();
    console.Stop();

    const std::vector<std::string> accepted = Accepted(folder);
    EXPECT_EQ(std::vector<std::string>(accepted.begin() + static_cast<std::ptrdiff_t>(before), accepted.end()),
              expected);
    EXPECT_EQ(log.str(), "torem-live: port COM12: Open.\ntorem-live: MIDI device \"Stage Keys\": Open.\n"
                         "torem-live: MIDI device \"Stage Keys\": Closed.\ntorem-live: port COM12: Closed.\n");
}

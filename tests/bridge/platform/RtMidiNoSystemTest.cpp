// The RtMidi layer on a machine without any MIDI system: ALSA has no
// configuration (as without /dev/snd) and no JACK server of that name runs.

#include <gtest/gtest.h>

#include <cstdlib>

#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "RtMidiDeviceLayer.h"

namespace {

TEST(RtMidiWithoutMidiSystem, ThereAreNoDevicesAndNothingThrowsOutOfTheComponent)
{
    ::setenv("ALSA_CONFIG_PATH", "/nonexistent/torem-alsa.conf", 1);
    ::setenv("JACK_DEFAULT_SERVER", "torem-no-such-server", 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);

    TRtMidiDeviceLayer layer;
    EXPECT_EQ(layer.DeviceCount(), 0);
    TEventLoop loop;
    std::unique_ptr<TMidiInput> input;
    ASSERT_NO_THROW(input = std::make_unique<TMidiInput>(layer, std::make_unique<TLoopNotificationTarget>(loop)));
    EXPECT_EQ(input->DeviceCount(), 0);
    EXPECT_EQ(input->ProductName(), "");
    input->Open();
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Error(), MidiResult::BadDeviceId);
    EXPECT_THROW(input->SetProductName("Keys"), EMidiInputError);
    EXPECT_NO_THROW(input->Start());
    EXPECT_NO_THROW(input->Close());
}

TEST(RtMidiWithoutMidiSystem, AlsaNamesLoseTheirClientAndPortNumbers)
{
    EXPECT_EQ(StableAlsaPortName("USB Keys:USB Keys MIDI 1 20:0"), "USB Keys:USB Keys MIDI 1");
    EXPECT_EQ(StableAlsaPortName("Midi Through:Midi Through Port-0 14:0"), "Midi Through:Midi Through Port-0");
    EXPECT_EQ(StableAlsaPortName("Synth 128:12"), "Synth");
    EXPECT_EQ(StableAlsaPortName("No numbers"), "No numbers");
    EXPECT_EQ(StableAlsaPortName("Ends with colon 20:"), "Ends with colon 20:");
    EXPECT_EQ(StableAlsaPortName("Odd 2a:0"), "Odd 2a:0");
}

}  // namespace

// The RtMidi layer for real: a JACK dummy server runs (the test fixture starts
// it), a sender port is opened on it with RtMidiOut, and what it sends must
// reach TMidiInput through TRtMidiDeviceLayer.

#include <gtest/gtest.h>

#include <RtMidi.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "JackServer.h"
#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "RtMidiDeviceLayer.h"
#include "WaitUntil.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kSenderClient = "TOREM test sender";
constexpr const char* kSenderPort = "keys";

struct Sink {
    std::atomic<bool> reported{false};
    static void OnError(RtMidiError::Type, const std::string&, void* user)
    {
        static_cast<Sink*>(user)->reported = true;
    }
};

class RtMidiJackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitUntil([] { return JackServerTakesMidiPorts(); })) << "no JACK server takes MIDI ports";
        sender = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, kSenderClient);
        sender->setErrorCallback(&Sink::OnError, &sink);
        sender->openVirtualPort(kSenderPort);
        ASSERT_FALSE(sink.reported);
    }

    void Send(std::vector<unsigned char> bytes) { sender->sendMessage(&bytes); }

    Sink sink;
    std::unique_ptr<RtMidiOut> sender;
};

TEST_F(RtMidiJackTest, APortIsFoundByItsStableNameAndItsMessagesReachTheComponent)
{
    const std::string name = std::string(kSenderClient) + ":" + kSenderPort;
    TRtMidiDeviceLayer layer;
    TEventLoop loop;
    TMidiInput input(layer, std::make_unique<TLoopNotificationTarget>(loop));
    std::vector<TMyMidiEvent> events;
    input.SetOnMidiInput([&](TMidiInput& component) {
        if (auto event = component.GetMidiEvent())
            events.push_back(std::move(*event));
    });
    int overflows = 0;
    input.SetOnOverflow([&](TMidiInput&) { ++overflows; });

    ASSERT_GT(input.DeviceCount(), 0);
    ASSERT_NO_THROW(input.SetProductName(name));
    std::string listed;
    ASSERT_EQ(layer.DeviceName(input.DeviceID(), listed), MidiResult::NoError);
    EXPECT_EQ(listed, name);

    input.SetSysexBufferCount(1);
    input.SetSysexBufferSize(16);
    input.Open();
    ASSERT_TRUE(input.IsOpen()) << "Error " << input.Error();
    const auto started = std::chrono::steady_clock::now();
    input.Start();
    std::this_thread::sleep_for(60ms);  // so that the first timestamp has something to count

    Send({0xF8});
    Send({0xFE});
    Send({0x90, 0x3C, 0x64});
    ASSERT_TRUE(loop.RunUntil([&] { return events.size() == 1; }, FailureBound));
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(events[0].Status, 0x90);
    EXPECT_EQ(events[0].Data1, 0x3C);
    EXPECT_EQ(events[0].Data2, 0x64);
    EXPECT_GE(events[0].Timestamp, 40u) << "milliseconds since Start";
    EXPECT_LE(events[0].Timestamp, static_cast<std::uint32_t>(elapsedMs) + 1);  // +1: rounding

    // One buffer, handed back after each message: three arrive one by one,
    // and one longer than the buffer is cut to its size.
    for (unsigned char i = 1; i <= 3; ++i) {
        Send({0xF0, 0x7D, i, 0xF7});
        ASSERT_TRUE(loop.RunUntil([&] { return events.size() == 1u + i; }, FailureBound)) << "sysex " << int(i);
        EXPECT_EQ(events.back().Status, 0xF0);
        EXPECT_EQ(events.back().SysexData, (std::vector<std::uint8_t>{0xF0, 0x7D, i, 0xF7}));
    }
    std::vector<unsigned char> longSysex(40, 0x11);
    longSysex.front() = 0xF0;
    longSysex.back() = 0xF7;
    Send(longSysex);
    ASSERT_TRUE(loop.RunUntil([&] { return events.size() == 5; }, FailureBound));
    EXPECT_EQ(events.back().SysexLength, 16);
    EXPECT_EQ(events.back().SysexData, std::vector<std::uint8_t>(longSysex.begin(), longSysex.begin() + 16));

    Send({0x80, 0x3C, 0x00});
    ASSERT_TRUE(loop.RunUntil([&] { return events.size() == 6; }, FailureBound));
    EXPECT_GE(events[5].Timestamp, events[0].Timestamp);
    EXPECT_EQ(overflows, 0);

    // Nothing flows after Stop. A second input on the same port witnesses the
    // JACK cycles: once it has a message sent after it received the one sent
    // after Stop, the cycle that carried that one is over for every client.
    input.Stop();
    TRtMidiDeviceLayer witnessLayer("TOREM test witness");
    TMidiInput witness(witnessLayer, std::make_unique<TLoopNotificationTarget>(loop));
    std::size_t witnessed = 0;
    witness.SetOnMidiInput([&](TMidiInput& component) { witnessed += component.GetMidiEvent() ? 1 : 0; });
    witness.SetProductName(name);
    witness.Open();
    ASSERT_TRUE(witness.IsOpen()) << "Error " << witness.Error();
    witness.Start();
    Send({0x90, 0x40, 0x40});
    ASSERT_TRUE(loop.RunUntil([&] { return witnessed == 1; }, FailureBound));
    Send({0x90, 0x41, 0x41});
    ASSERT_TRUE(loop.RunUntil([&] { return witnessed == 2; }, FailureBound));
    loop.ProcessMessages();
    EXPECT_EQ(events.size(), 6u) << "nothing flows after Stop";
    witness.Stop();
    witness.Close();
    input.Close();
    EXPECT_FALSE(input.IsOpen());
    EXPECT_EQ(input.Error(), MidiResult::NoError);
}

TEST_F(RtMidiJackTest, APortThatWentAwayFailsToOpenWithoutThrowing)
{
    TRtMidiDeviceLayer layer;
    TEventLoop loop;
    TMidiInput input(layer, std::make_unique<TLoopNotificationTarget>(loop));
    input.SetProductName(std::string(kSenderClient) + ":" + kSenderPort);
    sender.reset();
    input.Open();
    EXPECT_FALSE(input.IsOpen());
    EXPECT_EQ(input.Error(), MidiResult::BadDeviceId);
}

}  // namespace

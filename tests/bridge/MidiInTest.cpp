#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "VirtualMidiDeviceLayer.h"

namespace {

std::string ErrorTextOf(TMidiDeviceLayer& layer, TMidiResult code)
{
    std::string text;
    EXPECT_EQ(layer.ErrorText(code, text), MidiResult::NoError);
    return text;
}

template <typename F>
std::string ThrownText(F&& f)
{
    try {
        f();
    } catch (const EMidiInputError& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

class MidiInputTest : public ::testing::Test {
protected:
    // Devices must exist before the component counts them.
    void Create(std::vector<std::string> names = {"Virtual Keys", "Virtual Pads"})
    {
        for (const auto& name : names)
            layer.AddDevice(name);
        input = std::make_unique<TMidiInput>(layer, std::make_unique<TLoopNotificationTarget>(loop));
        input->SetOnMidiInput([this](TMidiInput& sender) {
            ++dataCalls;
            if (auto event = sender.GetMidiEvent())
                events.push_back(std::move(*event));
        });
        input->SetOnOverflow([this](TMidiInput&) { ++overflowCalls; });
    }
    void OpenAndStart()
    {
        input->Open();
        ASSERT_TRUE(input->IsOpen()) << "Error " << input->Error();
        input->Start();
    }
    bool Sysex(std::vector<std::uint8_t> bytes)
    {
        return layer.InjectSysex(0, bytes);
    }

    TEventLoop loop;
    TVirtualMidiDeviceLayer layer;
    std::unique_ptr<TMidiInput> input;
    std::vector<TMyMidiEvent> events;
    int dataCalls = 0;
    int overflowCalls = 0;
};

TEST_F(MidiInputTest, ShortMessagesAreDecodedAndClockAndSensingNeverReachTheOwner)
{
    Create();
    EXPECT_EQ(input->DeviceCount(), 2);
    EXPECT_EQ(input->ProductName(), "Virtual Keys");
    OpenAndStart();
    EXPECT_TRUE(layer.InjectShort(0, 0xF8));
    EXPECT_TRUE(layer.InjectShort(0, 0xFE));
    EXPECT_TRUE(layer.InjectShort(0, 0x90, 0x3C, 0x64, 1234));
    EXPECT_EQ(input->MessageCount(), 1);
    loop.ProcessMessages();

    EXPECT_EQ(dataCalls, 1);
    EXPECT_EQ(overflowCalls, 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Status, 0x90);
    EXPECT_EQ(events[0].Data1, 0x3C);
    EXPECT_EQ(events[0].Data2, 0x64);
    EXPECT_EQ(events[0].Timestamp, 1234u);
    EXPECT_EQ(events[0].SysexLength, 0);
    EXPECT_TRUE(events[0].SysexData.empty());
    EXPECT_EQ(input->MessageCount(), 0);
    EXPECT_EQ(input->GetMidiEvent(), nullptr) << "nothing waiting";
}

TEST_F(MidiInputTest, InputFlowsOnlyBetweenStartAndStop)
{
    Create();
    input->Open();
    EXPECT_FALSE(layer.InjectShort(0, 0x90, 1, 1)) << "not started yet";
    input->Start();
    EXPECT_TRUE(layer.InjectShort(0, 0x90, 2, 1));
    input->Stop();
    EXPECT_FALSE(layer.InjectShort(0, 0x90, 3, 1));
    loop.ProcessMessages();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Data1, 2);
}

TEST_F(MidiInputTest, SysexOnlyTakesEffectWhileOpen)
{
    Create();
    OpenAndStart();
    layer.InjectShort(0, 0x90, 1, 1);
    input->SetSysexOnly(true);
    layer.InjectShort(0, 0x90, 2, 1);
    Sysex({0xF0, 0x7E, 0xF7});
    input->SetSysexOnly(false);
    layer.InjectShort(0, 0x80, 3, 0);
    loop.ProcessMessages();

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Data1, 1);
    EXPECT_EQ(events[1].Status, 0xF0);
    EXPECT_EQ(events[2].Data1, 3);
    EXPECT_EQ(dataCalls, 3) << "the dropped message caused no notification";
}

TEST_F(MidiInputTest, SysexBuffersGoBackToTheDeviceSoMoreMessagesThanBuffersArrive)
{
    Create();
    input->SetSysexBufferCount(2);
    input->SetSysexBufferSize(8);
    OpenAndStart();
    EXPECT_EQ(layer.QueuedBuffers(0), 2u);

    for (std::uint8_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(Sysex({0xF0, 0x43, i, 0xF7}));
        loop.ProcessMessages();
    }
    ASSERT_EQ(events.size(), 5u);
    for (std::uint8_t i = 0; i < 5; ++i) {
        EXPECT_EQ(events[i].Status, 0xF0);
        EXPECT_EQ(events[i].Data1, 0);
        EXPECT_EQ(events[i].Data2, 0);
        EXPECT_EQ(events[i].SysexLength, 4);
        EXPECT_EQ(events[i].SysexData, (std::vector<std::uint8_t>{0xF0, 0x43, i, 0xF7}));
    }
    EXPECT_EQ(layer.QueuedBuffers(0), 2u);

    // Longer than a buffer: truncated to it. More than the queued buffers
    // before a fetch: the third is lost by the device.
    events.clear();
    EXPECT_TRUE(Sysex({0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xF7}));
    EXPECT_TRUE(Sysex({0xF0, 0xF7}));
    EXPECT_FALSE(Sysex({0xF0, 0x11, 0xF7}));
    loop.ProcessMessages();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].SysexLength, 8);
    EXPECT_EQ(events[0].SysexData, (std::vector<std::uint8_t>{0xF0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(events[1].SysexLength, 2);
    EXPECT_EQ(layer.QueuedBuffers(0), 2u);
}

TEST_F(MidiInputTest, AFullRingLosesTheNewMessageAndNotifiesOverflowOnce)
{
    Create();
    input->SetCapacity(4);
    OpenAndStart();
    for (std::uint8_t i = 1; i <= 5; ++i)
        EXPECT_TRUE(layer.InjectShort(0, 0x90, i, 0x40));
    EXPECT_EQ(input->MessageCount(), 4);
    loop.ProcessMessages();

    EXPECT_EQ(dataCalls, 4);
    EXPECT_EQ(overflowCalls, 1);
    ASSERT_EQ(events.size(), 4u);
    for (std::uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(events[i].Data1, i + 1) << "stored messages are untouched";
}

TEST_F(MidiInputTest, MessagesComeOutInArrivalOrderAcrossTheWrapAround)
{
    Create();
    input->SetCapacity(3);
    OpenAndStart();
    std::uint8_t next = 0;
    for (int round = 0; round < 7; ++round) {
        layer.InjectShort(0, 0xB0, next++, 0);
        layer.InjectShort(0, 0xB0, next++, 0);
        loop.ProcessMessages();
    }
    ASSERT_EQ(events.size(), next);
    for (std::uint8_t i = 0; i < next; ++i)
        EXPECT_EQ(events[i].Data1, i);
    EXPECT_EQ(overflowCalls, 0);
}

TEST_F(MidiInputTest, SelectionAndBufferSettingsAreRefusedWhileOpenWithTheirTexts)
{
    Create();
    OpenAndStart();
    EXPECT_EQ(ThrownText([&] { input->SetDeviceID(1); }), "Change to DeviceID while device was open");
    EXPECT_EQ(ThrownText([&] { input->SetProductName("Virtual Pads"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(ThrownText([&] { input->SetSysexBufferSize(16); }),
              "Change to SysexBufferSize while device was open");
    EXPECT_EQ(ThrownText([&] { input->SetSysexBufferCount(1); }),
              "Change to SysexBuffercount while device was open");
    EXPECT_NO_THROW(input->SetCapacity(8));
    EXPECT_NO_THROW(input->SetSysexOnly(false));
    EXPECT_EQ(input->DeviceID(), 0);
    EXPECT_EQ(input->ProductName(), "Virtual Keys");
    EXPECT_EQ(input->SysexBufferSize(), 4096);
    EXPECT_EQ(input->SysexBufferCount(), 16);
    EXPECT_EQ(input->Capacity(), 8);
}

TEST_F(MidiInputTest, DevicesAreSelectedByIndexOrByExactName)
{
    Create({"Keys", "Pads", "Pads"});
    input->SetDeviceID(1);
    EXPECT_EQ(input->ProductName(), "Pads");
    input->SetProductName("Keys");
    EXPECT_EQ(input->DeviceID(), 0);
    input->SetProductName("Pads");
    EXPECT_EQ(input->DeviceID(), 1) << "the first of equal names";

    EXPECT_EQ(ThrownText([&] { input->SetProductName("pads"); }), "MIDI Input Device pads not installed ");
    EXPECT_EQ(input->ProductName(), "Pads");
    EXPECT_EQ(input->DeviceID(), 1);
    EXPECT_EQ(ThrownText([&] { input->SetDeviceID(3); }), "Invalid device ID");
    EXPECT_EQ(input->DeviceID(), 1);

    // Devices that appear later can be selected, though DeviceCount stays.
    layer.AddDevice("Late");
    input->SetProductName("Late");
    EXPECT_EQ(input->DeviceID(), 3);
    EXPECT_EQ(input->DeviceCount(), 3);

    input->SetLoading(true);
    input->SetProductName("Keys");
    EXPECT_EQ(input->ProductName(), "Late") << "a stored design's name is ignored while loading";
}

TEST_F(MidiInputTest, LayerFailuresRaiseTheLayersTextAndKeepTheCode)
{
    Create();
    layer.SetFailure(TMidiOperation::DeviceName, MidiResult::NoDriver);
    EXPECT_EQ(ThrownText([&] { input->SetDeviceID(1); }), ErrorTextOf(layer, MidiResult::NoDriver));
    EXPECT_EQ(input->Error(), MidiResult::NoDriver);
    layer.SetFailure(TMidiOperation::DeviceName, MidiResult::NoError);

    OpenAndStart();
    EXPECT_EQ(input->Error(), MidiResult::NoError);
    layer.SetFailure(TMidiOperation::Stop, 999);
    EXPECT_EQ(ThrownText([&] { input->Stop(); }), "Specified error number is out of range");
    EXPECT_EQ(input->Error(), 999);
}

TEST_F(MidiInputTest, WithoutDevicesNothingOpensAndNothingHappens)
{
    Create({});
    EXPECT_EQ(input->DeviceCount(), 0);
    EXPECT_EQ(input->ProductName(), "");
    EXPECT_EQ(ThrownText([&] { input->SetProductName("Keys"); }), ErrorTextOf(layer, MidiResult::BadDeviceId));

    input->Open();
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Error(), MidiResult::BadDeviceId);
    EXPECT_NO_THROW(input->Start());
    EXPECT_NO_THROW(input->Stop());
    EXPECT_EQ(input->MessageCount(), 0);
    EXPECT_EQ(input->GetMidiEvent(), nullptr);
    EXPECT_NO_THROW(input->Close());
}

TEST_F(MidiInputTest, AFailedOpenLeavesEverythingClosedAndLaterCallsDoNothing)
{
    Create();
    layer.SetFailure(TMidiOperation::Open, MidiResult::Allocated);
    input->Open();
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Error(), MidiResult::Allocated);

    EXPECT_NO_THROW(input->Start());
    EXPECT_FALSE(layer.IsStarted(0));
    EXPECT_FALSE(layer.InjectShort(0, 0x90, 1, 1));
    EXPECT_EQ(input->GetMidiEvent(), nullptr);
    EXPECT_NO_THROW(input->Close());
    loop.ProcessMessages();
    EXPECT_EQ(dataCalls + overflowCalls, 0);
}

TEST_F(MidiInputTest, AnOpenThatFailsAfterTheDeviceOpenedClosesTheDeviceAgain)
{
    Create();
    input->SetSysexBufferCount(4);
    for (const auto operation : {TMidiOperation::PrepareHeader, TMidiOperation::AddBuffer}) {
        layer.SetFailure(operation, MidiResult::NoMemory, 2);
        input->Open();
        EXPECT_FALSE(input->IsOpen());
        EXPECT_EQ(input->Error(), MidiResult::NoMemory) << "the failing call's code, not the clean-up's";
        EXPECT_FALSE(layer.IsOpen(0)) << "the device handle was left open";
        layer.SetFailure(operation, MidiResult::NoError);
    }
    OpenAndStart();
    EXPECT_EQ(layer.QueuedBuffers(0), 4u);
}

TEST_F(MidiInputTest, CapacityIsNotLimitedTo5461AndZeroOpensNothing)
{
    Create();
    input->SetCapacity(0);
    input->Open();
    EXPECT_FALSE(input->IsOpen());
    EXPECT_FALSE(layer.IsOpen(0));
    EXPECT_EQ(input->Error(), MidiResult::InvalidParam);
    EXPECT_FALSE(ErrorTextOf(layer, input->Error()).empty());

    input->SetCapacity(65535);
    OpenAndStart();
    for (int i = 0; i < 65535; ++i)
        layer.InjectShort(0, 0x90, static_cast<std::uint8_t>(i & 0x7F), 1);
    EXPECT_EQ(input->MessageCount(), 65535);
    layer.InjectShort(0, 0x90, 1, 1);
    loop.ProcessMessages();
    EXPECT_EQ(dataCalls, 65535);
    EXPECT_EQ(overflowCalls, 1);
}

TEST_F(MidiInputTest, CloseDropsWaitingMessagesAndNotificationsInFlight)
{
    Create();
    OpenAndStart();
    layer.InjectShort(0, 0x90, 1, 1);
    Sysex({0xF0, 0xF7});
    input->Close();
    EXPECT_FALSE(layer.IsOpen(0));
    loop.ProcessMessages();
    EXPECT_EQ(dataCalls, 0);
    EXPECT_EQ(input->MessageCount(), 0);

    OpenAndStart();
    EXPECT_EQ(input->MessageCount(), 0) << "a new ring after Close";
    layer.InjectShort(0, 0x90, 2, 1);
    loop.ProcessMessages();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Data1, 2);
}

TEST_F(MidiInputTest, ARefusedSysexBufferIsReportedWithoutBlockingTheMessagesBehindIt)
{
    Create();
    input->SetSysexBufferCount(2);
    OpenAndStart();
    layer.SetFailure(TMidiOperation::AddBuffer, MidiResult::Unprepared);
    Sysex({0xF0, 0x01, 0xF7});
    layer.InjectShort(0, 0x90, 7, 1);
    EXPECT_EQ(ThrownText([&] { input->GetMidiEvent(); }), ErrorTextOf(layer, MidiResult::Unprepared));
    EXPECT_EQ(input->Error(), MidiResult::Unprepared);
    layer.SetFailure(TMidiOperation::AddBuffer, MidiResult::NoError);

    const auto next = input->GetMidiEvent();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Status, 0x90);
    EXPECT_EQ(next->Data1, 7);
    EXPECT_EQ(layer.QueuedBuffers(0), 1u);
}

TEST_F(MidiInputTest, AFailedCloseLeavesItClosedAndTheNextOpenReleasesTheDeviceFirst)
{
    Create();
    OpenAndStart();
    layer.SetFailure(TMidiOperation::Close, MidiResult::Error);
    EXPECT_EQ(ThrownText([&] { input->Close(); }), ErrorTextOf(layer, MidiResult::Error));
    EXPECT_FALSE(input->IsOpen());
    EXPECT_EQ(input->Error(), MidiResult::Error);
    EXPECT_TRUE(layer.IsOpen(0));
    EXPECT_NO_THROW(input->Close()) << "closed: nothing to do";

    layer.SetFailure(TMidiOperation::Close, MidiResult::NoError);
    OpenAndStart();
    layer.InjectShort(0, 0x90, 5, 1);
    loop.ProcessMessages();
    ASSERT_EQ(events.size(), 1u);
}

}  // namespace

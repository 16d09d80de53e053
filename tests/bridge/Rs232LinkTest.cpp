#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SimulatedLink.h"
#include "WaitUntil.h"

namespace {

constexpr std::uint8_t Ack = 0x01;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

TComHandle OpenOk(TSimulatedLink& rig)
{
    TComHandle handle;
    EXPECT_EQ(rig.Link.ComOpen(handle, rig.Sim.SlavePath()), TComResult::ComOk);
    return handle;
}

} // namespace

TEST(Rs232Link, DeliversChangesWithEdgeValuesUnchanged)
{
    TSimulatedLink rig;
    // Left running by a wait its lost port ended: a fresh port's first wait
    // must not inherit what is left of it.
    rig.Clock.Start();
    TComHandle handle = OpenOk(rig);
    ASSERT_TRUE(handle);
    EXPECT_FALSE(rig.Clock.Enabled());

    // Values equal to the start and acknowledge bytes are data like any other.
    const std::vector<TOutputChange> changes = {{0, 0}, {255, 255}, {0, 255}, {255, 0}, {0x1A, Ack}, {Ack, 0x1A}};
    std::vector<std::uint8_t> wire;
    for (const TOutputChange& change : changes) {
        EXPECT_EQ(rig.Link.ComSendContact(handle, change.Output, change.Level), TComResult::ComOk);
        EXPECT_FALSE(rig.Clock.Enabled()) << "the clock is stopped after an acknowledgement";
        wire.insert(wire.end(), {0x1A, change.Output, change.Level});
    }
    EXPECT_EQ(rig.Sim.Changes(), changes);
    EXPECT_EQ(rig.Sim.Received(), wire);
    EXPECT_EQ(rig.Sim.Level(0), 255);
    EXPECT_EQ(rig.Sim.Level(255), 0);
    EXPECT_EQ(rig.Sim.Violations(), 0u);
    EXPECT_EQ(rig.Link.ComClose(handle), TComResult::ComOk);
    EXPECT_FALSE(handle);
}

TEST(Rs232Link, SilentDeviceRunsOutTheClockWhileMessagesKeepBeingProcessed)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TComHandle handle = OpenOk(rig);
    rig.RunOutClock(1, 5);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 3, 4), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Pump.passes, 5) << "the wait must keep processing messages until the clock runs out";
    EXPECT_EQ(rig.Clock.starts, 1);
    EXPECT_EQ(AllReceived(rig.Sim, handle, 1), Bytes({0x1A})) << "nothing but the start byte";
}

TEST(Rs232Link, DeviceAnsweringAnotherByteIsNotReadyUntilItAnswersProperly)
{
    TSimulatedLink rig({.Behaviour = {.AnswerByte = 0x00}});
    TComHandle handle = OpenOk(rig);
    rig.RunOutClock(1, 3);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 9, 10), TComResult::ComErrNotReady);
    ASSERT_EQ(AllReceived(rig.Sim, handle, 1), Bytes({0x1A})) << "the output number is never sent";

    // The device drops the half change after its frame gap; then it answers properly.
    ASSERT_TRUE(WaitUntil([&] { return rig.Sim.AbandonedFrames() == 1; }));
    rig.Sim.SetBehaviour({});
    rig.Pump.onPass = nullptr;
    EXPECT_EQ(rig.Link.ComSendContact(handle, 9, 10), TComResult::ComOk);
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{9, 10}}));
}

TEST(Rs232Link, LevelNotAcknowledgedIsNotReadyAfterBothBytesWereSent)
{
    TSimulatedLink rig({.Behaviour = {.AckLevel = false}});
    TComHandle handle = OpenOk(rig);
    rig.RunOutClock(2, 3);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 7, 8), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Clock.starts, 2) << "the start byte was acknowledged";
    EXPECT_EQ(AllReceived(rig.Sim, handle, 3), Bytes({0x1A, 7, 8}));
}

TEST(Rs232Link, StaleBytesArePurgedAndNeverTakenAsAcknowledgement)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TComHandle handle = OpenOk(rig);
    ASSERT_TRUE(rig.Sim.Send(Bytes({Ack, Ack, Ack})));
    ASSERT_TRUE(WaitForQueuedInput(handle, 3));
    rig.RunOutClock(1, 2);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 1, 2), TComResult::ComErrNotReady);
    EXPECT_EQ(AllReceived(rig.Sim, handle, 1), Bytes({0x1A}));
}

TEST(Rs232Link, AnAcknowledgementReadInThePassTheClockRanOutIsTooLate)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TComHandle handle = OpenOk(rig);

    // The acknowledgement is waiting before the wait starts, so the first
    // read takes it for sure; the clock runs out in that same pass.
    ASSERT_TRUE(rig.Sim.Send(Bytes({Ack})));
    ASSERT_TRUE(WaitForQueuedInput(handle, 1));
    rig.RunOutClock(1, 1);
    EXPECT_EQ(rig.Link.ComWriteByteWaitAck(handle, 0x1A), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Pump.passes, 1);

    // The same pass with the clock still running succeeds and stops it.
    ASSERT_TRUE(rig.Sim.Send(Bytes({0x55, Ack})));
    ASSERT_TRUE(WaitForQueuedInput(handle, 2));
    rig.Pump.onPass = nullptr;
    rig.Pump.passes = 0;
    EXPECT_EQ(rig.Link.ComWriteByteWaitAck(handle, 0x1A), TComResult::ComOk);
    EXPECT_EQ(rig.Pump.passes, 2) << "other bytes are read and ignored";
    EXPECT_FALSE(rig.Clock.Enabled());
}

TEST(Rs232Link, AHandlerClosingThePortDuringTheWaitEndsItWithAReadError)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TComHandle handle = OpenOk(rig);

    rig.Pump.onPass = [&] { EXPECT_EQ(rig.Link.ComClose(handle), TComResult::ComOk); };
    EXPECT_EQ(rig.Link.ComSendContact(handle, 1, 2), TComResult::ComErrRead);
    EXPECT_EQ(rig.Pump.passes, 1);
}

TEST(Rs232Link, AbsentOrHeldPortsCannotBeOpenedAndAnEmptyHandleFailsEveryStep)
{
    TSimulatedLink rig;
    TComHandle handle;
    EXPECT_EQ(rig.Link.ComOpen(handle, "/dev/torem-no-such-port"), TComResult::ComErrOpen);
    EXPECT_FALSE(handle);
    EXPECT_EQ(rig.Link.ComOpen(handle, "NO-SUCH-PORT"), TComResult::ComErrOpen);
    EXPECT_FALSE(handle);

    // An empty handle fails as a closed system handle does, without a crash.
    EXPECT_EQ(rig.Link.ComPurge(handle), TComResult::ComErrInit);
    EXPECT_EQ(rig.Link.ComWriteByte(handle, 1), TComResult::ComErrWrite);
    EXPECT_EQ(rig.Link.ComWriteByteWaitAck(handle, 1), TComResult::ComErrWrite);
    EXPECT_EQ(rig.Link.ComSendContact(handle, 1, 2), TComResult::ComErrInit);
    EXPECT_EQ(rig.Link.ComClose(handle), TComResult::ComErrClose);
    EXPECT_FALSE(rig.Clock.Enabled());

    TComHandle first = OpenOk(rig);
    TComHandle second;
    EXPECT_EQ(rig.Link.ComOpen(second, rig.Sim.SlavePath()), TComResult::ComErrOpen) << "held by the first";
    EXPECT_FALSE(second);
    EXPECT_EQ(rig.Link.ComSendContact(first, 5, 6), TComResult::ComOk) << "the holder is undisturbed";

    EXPECT_EQ(rig.Link.ComClose(first), TComResult::ComOk);
    EXPECT_EQ(rig.Link.ComOpen(second, rig.Sim.SlavePath()), TComResult::ComOk) << "free again once closed";
    EXPECT_EQ(rig.Link.ComSendContact(second, 7, 8), TComResult::ComOk);
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{5, 6}, {7, 8}}));
}

TEST(Rs232Link, DeviceHangingUpDuringTheWaitIsAReadError)
{
    auto sim = std::make_unique<TSimulatedDevice>(TSimOptions{.Behaviour = {.Silent = true}});
    sim->Start();
    TSimulatedPorts ports;
    TManualClock clock;
    TStepPump pump;
    TRs232Link link(ports, clock, pump);
    TComHandle handle;
    ASSERT_EQ(link.ComOpen(handle, sim->SlavePath()), TComResult::ComOk);

    // Unplugged during the wait. Were the hang-up taken for silence, the
    // clock would run out at the tenth pass: not ready instead of a read error.
    pump.onPass = [&] {
        if (pump.passes == 1)
            sim.reset();
        if (pump.passes == 10)
            clock.RunOut();
    };
    EXPECT_EQ(link.ComSendContact(handle, 1, 2), TComResult::ComErrRead);
    EXPECT_EQ(link.ComWriteByte(handle, 1), TComResult::ComErrWrite);
}

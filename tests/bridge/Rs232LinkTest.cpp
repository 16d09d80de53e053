#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SimulatedLink.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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

// A clock the test runs out by hand, and a pump that runs a step per pass.
class TManualClock final : public TAckClock {
public:
    void Start() override { enabled = true; }
    void Stop() override { enabled = false; }
    bool Enabled() const override { return enabled; }
    bool enabled = false;
};

class TStepPump final : public TMessagePump {
public:
    void ProcessMessages() override
    {
        ++passes;
        if (onPass)
            onPass();
    }
    std::function<void()> onPass;
    int passes = 0;
};

} // namespace

TEST(Rs232Link, DeliversChangesWithEdgeValuesUnchanged)
{
    TSimulatedLink rig;
    TComHandle handle = OpenOk(rig);
    ASSERT_TRUE(handle);

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
    int ticks = 0;
    TLoopTimer window(rig.Loop, 50ms, [&] { ++ticks; });
    window.SetEnabled(true);

    const auto start = Clock::now();
    EXPECT_EQ(rig.Link.ComSendContact(handle, 3, 4), TComResult::ComErrNotReady);
    const auto elapsed = Clock::now() - start;

    EXPECT_GE(elapsed, 1000ms);
    EXPECT_LT(elapsed, 1800ms) << "at most one 60 ms read after the clock, plus slack";
    EXPECT_GE(ticks, 10) << "the wait must keep processing messages";
    EXPECT_EQ(rig.Sim.Received(), Bytes({0x1A})) << "nothing but the start byte";
}

TEST(Rs232Link, DeviceAnsweringAnotherByteIsNotReadyUntilItAnswersProperly)
{
    TSimulatedLink rig({.Behaviour = {.AnswerByte = 0x00}});
    TComHandle handle = OpenOk(rig);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 9, 10), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Sim.Received(), Bytes({0x1A})) << "the output number is never sent";

    rig.Sim.SetBehaviour({});
    EXPECT_EQ(rig.Link.ComSendContact(handle, 9, 10), TComResult::ComOk);
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{9, 10}}));
}

TEST(Rs232Link, LevelNotAcknowledgedIsNotReadyAfterBothBytesWereSent)
{
    TSimulatedLink rig({.Behaviour = {.AckLevel = false}}, 200ms);
    TComHandle handle = OpenOk(rig);

    EXPECT_EQ(rig.Link.ComSendContact(handle, 7, 8), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Sim.Received(), Bytes({0x1A, 7, 8}));
}

TEST(Rs232Link, StaleBytesArePurgedAndNeverTakenAsAcknowledgement)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}}, 200ms);
    TComHandle handle = OpenOk(rig);
    const std::vector<std::uint8_t> stale = Bytes({Ack, Ack, Ack});
    ASSERT_TRUE(rig.Sim.Send(stale));
    ASSERT_TRUE(WaitForQueuedInput(handle, 3));

    EXPECT_EQ(rig.Link.ComSendContact(handle, 1, 2), TComResult::ComErrNotReady);
    EXPECT_EQ(rig.Sim.Received(), Bytes({0x1A}));
}

TEST(Rs232Link, AnAcknowledgementReadInThePassTheClockRanOutIsTooLate)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TManualClock clock;
    TStepPump pump;
    TRs232Link link(rig.Ports, clock, pump);
    TComHandle handle;
    ASSERT_EQ(link.ComOpen(handle, rig.Sim.SlavePath()), TComResult::ComOk);

    // The acknowledgement is waiting before the wait starts, so the first
    // read takes it for sure; the clock runs out in that same pass.
    ASSERT_TRUE(rig.Sim.Send(Bytes({Ack})));
    ASSERT_TRUE(WaitForQueuedInput(handle, 1));
    pump.onPass = [&] { clock.Stop(); };
    EXPECT_EQ(link.ComWriteByteWaitAck(handle, 0x1A), TComResult::ComErrNotReady);
    EXPECT_EQ(pump.passes, 1);

    // The same pass with the clock still running succeeds and stops it.
    ASSERT_TRUE(rig.Sim.Send(Bytes({0x55, Ack})));
    ASSERT_TRUE(WaitForQueuedInput(handle, 2));
    pump.onPass = nullptr;
    pump.passes = 0;
    EXPECT_EQ(link.ComWriteByteWaitAck(handle, 0x1A), TComResult::ComOk);
    EXPECT_EQ(pump.passes, 2) << "other bytes are read and ignored";
    EXPECT_FALSE(clock.Enabled());
}

TEST(Rs232Link, AHandlerClosingThePortDuringTheWaitEndsItWithAReadError)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TManualClock clock;
    TStepPump pump;
    TRs232Link link(rig.Ports, clock, pump);
    TComHandle handle;
    ASSERT_EQ(link.ComOpen(handle, rig.Sim.SlavePath()), TComResult::ComOk);

    pump.onPass = [&] { EXPECT_EQ(link.ComClose(handle), TComResult::ComOk); };
    EXPECT_EQ(link.ComSendContact(handle, 1, 2), TComResult::ComErrRead);
    EXPECT_EQ(pump.passes, 1);
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
    auto sim = std::make_unique<TDeviceSimulator>(TSimOptions{.Behaviour = {.Silent = true}});
    sim->Start();
    TPosixSerialPorts ports;
    TEventLoop loop;
    TLoopAckClock clock(loop);
    TRs232Link link(ports, clock, loop);
    TComHandle handle;
    ASSERT_EQ(link.ComOpen(handle, sim->SlavePath()), TComResult::ComOk);

    TLoopTimer unplug(loop, 100ms, [&] { sim.reset(); });
    unplug.SetEnabled(true);
    const auto start = Clock::now();
    EXPECT_EQ(link.ComSendContact(handle, 1, 2), TComResult::ComErrRead);
    EXPECT_LT(Clock::now() - start, 900ms) << "a hang-up is no time-out";
    EXPECT_EQ(link.ComWriteByte(handle, 1), TComResult::ComErrWrite);
    unplug.SetEnabled(false);
}

// Checking the rig and rehearsing a show through the live bridge, against
// the device simulator: what a chase and a played show send, in order, and
// that nothing they lit is left on. Their clocks are run out by hand, and
// the show's time is the test's.

#include <gtest/gtest.h>

#include <chrono>

#include "LiveBridgeRig.h"
#include "ManualTimerClock.h"
#include "OutputTest.h"
#include "SequencePlayer.h"

namespace {

using namespace std::chrono_literals;

TEST(RigCheck, AChaseCoversItsRangeOnceOnTimeAndEndsWithEverythingOff)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    TManualTimerClock clock;
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    TOutputTest test(rig.Bridge, clock, [&] { return now; });
    bool ended = false;
    test.SetOnEnded([&] { ended = true; });

    test.Chase({.From = 3, .To = 5, .Level = 90, .StepsPerSecond = 10});
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(rig.Settle());
        ASSERT_TRUE(clock.Enabled());
        EXPECT_EQ(clock.lastInterval, 100ms) << "a tenth of a second a step";
        now += 100ms;
        clock.RunOut();
        test.ClockRanOut();
    }
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(ended);
    EXPECT_FALSE(test.Running());
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{3, 90}, {3, 0}, {4, 90}, {4, 0}, {5, 90}, {5, 0}}));

    // A held range, stopped: all it lit goes off, nothing else is touched.
    ASSERT_TRUE(rig.Play(TLiveBridgeRig::FirstKeyboard, {NoteOn(1, 100, 10)}, 1));
    test.Range(7, 9, 30);
    ASSERT_TRUE(rig.Settle());
    test.Stop();
    ASSERT_TRUE(rig.Settle());
    for (unsigned output = 0; output < 256; ++output)
        EXPECT_EQ(rig.Sim.Level(static_cast<std::uint8_t>(output)), output == 100 ? 21 : 0) << output;
}

TEST(RigCheck, APlayedShowReachesTheDeviceInOrderFromAnyPointAndLeavesNothingOn)
{
    TLiveBridgeRig rig;
    rig.StartUp();
    TManualTimerClock clock;
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    TSequencePlayer player(rig.Bridge, clock, [&] { return now; });
    const std::vector<TContactorEvent> show = {
        {0, 10, 200}, {0, 140, 255}, {500, 10, 0}, {500, 11, 100}, {1000, 140, 0}, {1500, 11, 0}, {1500, 12, 50}};
    player.Load(show, 250);

    // Each change goes out when the show's clock reaches it, and not before.
    player.Play(0);
    std::size_t due = 2;
    for (const std::uint32_t time : {500u, 1000u, 1500u}) {
        ASSERT_TRUE(rig.Settle());
        ASSERT_EQ(rig.Sim.ChangeCount(), due) << "at " << time - 500 << " ms";
        EXPECT_EQ(clock.lastInterval, 500ms);
        now += 500ms;
        clock.RunOut();
        player.ClockRanOut();
        due += time == 1000 ? 1 : 2;
    }
    // The last frame is seen for one resolution, then the show ends.
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(player.Playing());
    EXPECT_EQ(clock.lastInterval, 250ms);
    now += 250ms;
    clock.RunOut();
    player.ClockRanOut();
    ASSERT_TRUE(rig.Settle());
    EXPECT_FALSE(player.Playing()) << "ended by itself";
    std::vector<TOutputChange> expected;
    for (const TContactorEvent& change : show)
        expected.push_back({change.Contact, change.Value});
    expected.push_back({12, 0});  // what the end left on goes off
    EXPECT_EQ(rig.Sim.Changes(), expected);
    EXPECT_EQ(player.WorstLag(), 0us);

    // From 0.6 s: the show's state at that point first; stopped, nothing stays on.
    rig.Sim.ClearHistory();
    player.Play(600);
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(rig.Sim.Changes(), (std::vector<TOutputChange>{{11, 100}, {140, 255}}));
    EXPECT_EQ(player.Position(), 600u);
    player.Stop();
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(rig.Sim.Levels(), (std::array<std::uint8_t, 256>{}));
}

}  // namespace

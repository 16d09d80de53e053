#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "EventLoop.h"
#include "WaitUntil.h"
#include "WokenLoop.h"

using namespace std::chrono_literals;

TEST(EventLoop, TheAckClockRunsOutOnlyWhileMessagesAreProcessed)
{
    // Due at once: only a pass of the loop lets it run out.
    TEventLoop loop;
    TLoopAckClock clock(loop, 0ms);
    clock.Start();
    EXPECT_TRUE(clock.Enabled()) << "a toolkit timer cannot fire outside message processing";
    loop.ProcessMessages();
    EXPECT_FALSE(clock.Enabled()) << "one-shot: the handler disabled it";
}

TEST(EventLoop, TheAckClockRunsOutNotBeforeASecondByDefault)
{
    TEventLoop loop;
    TLoopAckClock clock(loop);
    const auto start = TEventLoop::Clock::now();
    clock.Start();
    ASSERT_TRUE(loop.RunUntil([&] { return !clock.Enabled(); }, FailureBound));
    EXPECT_GE(TEventLoop::Clock::now() - start, 1000ms);
}

TEST(EventLoop, EnablingARunningTimerDoesNotRestartIt)
{
    TEventLoop loop;
    int fired = 0;
    TLoopTimer timer(loop, 20ms, [&] { ++fired; });
    timer.SetEnabled(true);
    // Overdue, though no pass has run it yet: enabling it again must keep
    // that deadline rather than count the interval from now.
    // (Windows may end a sleep a little before the steady clock shows its end.)
    const auto overdue = TEventLoop::Clock::now() + 20ms;
    while (TEventLoop::Clock::now() < overdue)
        std::this_thread::sleep_until(overdue);
    timer.SetEnabled(true);
    loop.ProcessMessages();
    EXPECT_EQ(fired, 1);
}

TEST(EventLoop, NestedPassesKeepPostedTasksInOrder)
{
    TEventLoop loop;
    std::vector<int> order;
    loop.Post([&] {
        order.push_back(1);
        loop.ProcessMessages();  // as an acknowledgement wait does
        order.push_back(10);
    });
    loop.Post([&] { order.push_back(2); });
    loop.Post([&] { order.push_back(3); });
    loop.ProcessMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 10}));
}

TEST(EventLoop, SourcesAreDispatchedAndWakeEndsAWaitFromAnotherThread)
{
    struct Counter : TEventSource {
        std::atomic<int> pending{0};
        int handled = 0;
        bool HasPending() const override { return pending.load() > 0; }
        void Dispatch() override
        {
            while (pending.load() > 0) {
                pending.fetch_sub(1);
                ++handled;
            }
        }
    } counter;

    TEventLoop loop;
    loop.AddSource(counter);
    EXPECT_TRUE(RunOnceWokenBy(loop, [&] {
        counter.pending.fetch_add(3);
        loop.Wake();
    }));
    EXPECT_EQ(counter.handled, 3);
    loop.RemoveSource(counter);
}

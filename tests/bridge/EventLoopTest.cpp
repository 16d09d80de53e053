#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "EventLoop.h"

using namespace std::chrono_literals;

TEST(EventLoop, TheAckClockRunsOutOnlyWhileMessagesAreProcessed)
{
    TEventLoop loop;
    TLoopAckClock clock(loop, 20ms);
    clock.Start();
    std::this_thread::sleep_for(40ms);
    EXPECT_TRUE(clock.Enabled()) << "a toolkit timer cannot fire outside message processing";
    loop.ProcessMessages();
    EXPECT_FALSE(clock.Enabled());
    loop.ProcessMessages();
    EXPECT_FALSE(clock.Enabled()) << "one-shot: the handler disabled it";
}

TEST(EventLoop, EnablingARunningTimerDoesNotRestartIt)
{
    TEventLoop loop;
    int fired = 0;
    TLoopTimer timer(loop, 30ms, [&] { ++fired; });
    timer.SetEnabled(true);
    std::this_thread::sleep_for(20ms);
    timer.SetEnabled(true);
    std::this_thread::sleep_for(15ms);
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
    std::thread producer([&] {
        std::this_thread::sleep_for(20ms);
        counter.pending.fetch_add(3);
        loop.Wake();
    });
    const auto start = TEventLoop::Clock::now();
    EXPECT_TRUE(loop.RunUntil([&] { return counter.handled == 3; }, 5s));
    EXPECT_LT(TEventLoop::Clock::now() - start, 2s);
    producer.join();
    loop.RemoveSource(counter);
}

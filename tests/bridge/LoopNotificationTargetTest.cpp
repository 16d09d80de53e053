#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LoopNotificationTarget.h"
#include "WaitUntil.h"
#include "WokenLoop.h"

namespace {

TEST(LoopNotificationTarget, EveryPostIsHandledOnceEvenWhenHandlersNestTheLoop)
{
    constexpr int kThreads = 3;
    constexpr int kPerThread = 40'000;
    TEventLoop loop;
    TLoopNotificationTarget target(loop);
    const auto owner = std::this_thread::get_id();
    int data = 0;
    int overflow = 0;
    int depth = 0;
    int maxDepth = 0;
    bool onOwnerThread = true;
    target.SetHandler([&](TMidiNotification notification) {
        onOwnerThread = onOwnerThread && std::this_thread::get_id() == owner;
        (notification == TMidiNotification::Data ? data : overflow)++;
        // As an acknowledgement wait does: process messages inside a handler.
        if ((data + overflow) % 500 == 0 && depth < 3) {
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            loop.ProcessMessages();
            --depth;
        }
    });

    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t)
        producers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                target.Post(i % 10 == t ? TMidiNotification::Overflow : TMidiNotification::Data);
        });
    const int total = kThreads * kPerThread;
    EXPECT_TRUE(loop.RunUntil([&] { return data + overflow == total; }, FailureBound));
    for (auto& producer : producers)
        producer.join();
    loop.ProcessMessages();

    EXPECT_EQ(overflow, kThreads * (kPerThread / 10));
    EXPECT_EQ(data, total - overflow);
    EXPECT_TRUE(onOwnerThread);
    EXPECT_GE(maxDepth, 1);
}

TEST(LoopNotificationTarget, APostWakesALoopThatIsWaiting)
{
    TEventLoop loop;
    TLoopNotificationTarget target(loop);
    int handled = 0;
    target.SetHandler([&](TMidiNotification) { ++handled; });
    EXPECT_TRUE(RunOnceWokenBy(loop, [&] { target.Post(TMidiNotification::Data); }));
    EXPECT_EQ(handled, 1);
}

}  // namespace

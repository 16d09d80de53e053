#include <gtest/gtest.h>

#include <thread>

#include "Circbuf.h"

namespace {

InputSlot Slot(std::uint32_t n)
{
    InputSlot slot;
    slot.Timestamp = n;
    slot.ShortMessage = n * 3;
    return slot;
}

TEST(InputRing, KeepsOrderAcrossTheWrapAndRefusesWhenFullWithoutTouchingStoredSlots)
{
    InputRing ring(3);
    std::uint32_t pushed = 0;
    std::uint32_t popped = 0;
    for (int round = 0; round < 5; ++round) {
        while (ring.Push(Slot(pushed)))
            ++pushed;
        EXPECT_EQ(ring.Count(), 3u);
        EXPECT_FALSE(ring.Push(Slot(999)));
        for (int i = 0; i < 2; ++i) {
            InputSlot slot;
            ASSERT_TRUE(ring.Peek(slot));
            EXPECT_EQ(slot.Timestamp, popped);
            EXPECT_EQ(slot.ShortMessage, popped * 3);
            ring.Pop();
            ++popped;
        }
    }
    EXPECT_EQ(ring.Count(), pushed - popped);
}

TEST(InputRing, EmptyAndZeroCapacityRingsHandOutNothing)
{
    InputRing empty(2);
    InputSlot slot;
    EXPECT_FALSE(empty.Peek(slot));
    empty.Pop();
    EXPECT_EQ(empty.Count(), 0u) << "popping an empty ring must not wrap the count";
    EXPECT_TRUE(empty.Push(Slot(1)));

    InputRing none(0);
    EXPECT_FALSE(none.Push(Slot(1)));
    EXPECT_FALSE(none.Peek(slot));
}

// Run under ThreadSanitizer as well: the slot must be published by the count.
TEST(InputRing, OneProducerAndOneConsumerLoseAndReorderNothing)
{
    constexpr std::uint32_t kMessages = 500'000;
    InputRing ring(64);
    std::thread producer([&] {
        for (std::uint32_t n = 0; n < kMessages;) {
            if (ring.Push(Slot(n)))
                ++n;
            else
                std::this_thread::yield();
        }
    });
    std::uint32_t expected = 0;
    bool inOrder = true;
    while (expected < kMessages) {
        InputSlot slot;
        if (!ring.Peek(slot)) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && slot.Timestamp == expected && slot.ShortMessage == expected * 3;
        ring.Pop();
        ++expected;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(ring.Count(), 0u);
}

}  // namespace

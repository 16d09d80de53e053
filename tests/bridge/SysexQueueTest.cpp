// The rules of the system exclusive buffers shared by the RtMidi and the
// virtual device layers.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "SysexQueue.h"

namespace {

struct TBuffer {
    explicit TBuffer(std::uint32_t length) : Bytes(length, 0xEE)
    {
        Header.Data = Bytes.data();
        Header.BufferLength = length;
    }
    std::vector<std::uint8_t> Bytes;
    TMidiHeader Header;
};

std::vector<std::uint8_t> Recorded(const TMidiHeader& header)
{
    return {header.Data, header.Data + header.BytesRecorded};
}

std::vector<const TMidiHeader*> ReturnAll(TSysexQueue& queue)
{
    std::vector<const TMidiHeader*> returned;
    queue.ReturnAll([&](TMidiHeader& header) {
        EXPECT_EQ(header.BytesRecorded, 0u);
        EXPECT_EQ(header.LayerFlags.load() & SysexFlag::Queued, 0u) << "off the queue before it is handed back";
        returned.push_back(&header);
    });
    return returned;
}

}  // namespace

TEST(SysexQueue, OnlyPreparedBuffersWithBytesAreQueuedAndEachOnlyOnce)
{
    TSysexQueue queue;
    TBuffer buffer(8);
    TMidiHeader empty;
    TBuffer sizeless(8);
    sizeless.Header.BufferLength = 0;

    EXPECT_EQ(TSysexQueue::Prepare(empty), MidiResult::InvalidParam);
    EXPECT_EQ(TSysexQueue::Prepare(sizeless.Header), MidiResult::InvalidParam);
    EXPECT_EQ(queue.Add(sizeless.Header), MidiResult::Unprepared);
    EXPECT_EQ(queue.Add(buffer.Header), MidiResult::Unprepared);
    EXPECT_TRUE(queue.Empty());

    EXPECT_EQ(TSysexQueue::Prepare(buffer.Header), MidiResult::NoError);
    EXPECT_EQ(TSysexQueue::Prepare(buffer.Header), MidiResult::NoError) << "twice is harmless";
    EXPECT_EQ(queue.Add(buffer.Header), MidiResult::NoError);
    EXPECT_EQ(queue.Add(buffer.Header), MidiResult::StillPlaying);
    EXPECT_EQ(queue.Size(), 1u);
    EXPECT_EQ(TSysexQueue::Unprepare(buffer.Header), MidiResult::StillPlaying);

    ASSERT_EQ(ReturnAll(queue).size(), 1u);
    EXPECT_EQ(TSysexQueue::Unprepare(buffer.Header), MidiResult::NoError);
    EXPECT_EQ(queue.Add(buffer.Header), MidiResult::Unprepared) << "unprepared again";
}

TEST(SysexQueue, FillsTheOldestBufferTruncatedAndLosesMessagesWithoutOne)
{
    TSysexQueue queue;
    TBuffer small(3);
    TBuffer large(16);
    for (TBuffer* b : {&small, &large}) {
        ASSERT_EQ(TSysexQueue::Prepare(b->Header), MidiResult::NoError);
        ASSERT_EQ(queue.Add(b->Header), MidiResult::NoError);
    }

    const std::array<std::uint8_t, 5> first = {0xF0, 1, 2, 3, 0xF7};
    const std::array<std::uint8_t, 4> second = {0xF0, 9, 8, 0xF7};
    EXPECT_EQ(queue.Fill(first), &small.Header);
    EXPECT_EQ(Recorded(small.Header), (std::vector<std::uint8_t>{0xF0, 1, 2}));
    EXPECT_EQ(queue.Fill(second), &large.Header);
    EXPECT_EQ(Recorded(large.Header), (std::vector<std::uint8_t>(second.begin(), second.end())));
    EXPECT_EQ(large.Bytes[4], 0xEE) << "nothing written past the message";
    EXPECT_TRUE(queue.Empty());

    EXPECT_EQ(queue.Fill(first), nullptr);
    EXPECT_EQ(Recorded(small.Header).size(), 3u) << "a lost message touches no buffer";

    // A filled buffer is free: it can be released, or queued again with
    // nothing recorded.
    EXPECT_EQ(TSysexQueue::Unprepare(small.Header), MidiResult::NoError);
    EXPECT_EQ(queue.Add(large.Header), MidiResult::NoError);
    EXPECT_EQ(large.Header.BytesRecorded, 0u);
    EXPECT_EQ(queue.Fill(std::span<const std::uint8_t>{}), &large.Header);
    EXPECT_EQ(large.Header.BytesRecorded, 0u);
}

TEST(SysexQueue, ReturnsEveryBufferInOrderAndAMoveHandsThemOver)
{
    std::array<TBuffer, 4> buffers{TBuffer(8), TBuffer(8), TBuffer(8), TBuffer(8)};
    TSysexQueue queue;
    for (TBuffer& b : buffers) {
        ASSERT_EQ(TSysexQueue::Prepare(b.Header), MidiResult::NoError);
        ASSERT_EQ(queue.Add(b.Header), MidiResult::NoError);
    }
    const std::array<std::uint8_t, 2> message = {0xF0, 0xF7};
    ASSERT_EQ(queue.Fill(message), &buffers[0].Header);

    TSysexQueue moved(std::move(queue));
    EXPECT_TRUE(queue.Empty()) << "a moved-from queue is empty, not sharing the buffers";
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_EQ(moved.Size(), 3u);

    EXPECT_EQ(ReturnAll(moved),
              (std::vector<const TMidiHeader*>{&buffers[1].Header, &buffers[2].Header, &buffers[3].Header}));
    EXPECT_TRUE(moved.Empty());
    EXPECT_TRUE(ReturnAll(moved).empty());

    // The queue starts again from empty after being drained.
    ASSERT_EQ(moved.Add(buffers[2].Header), MidiResult::NoError);
    ASSERT_EQ(moved.Add(buffers[0].Header), MidiResult::NoError);
    EXPECT_EQ(moved.Fill(message), &buffers[2].Header);
    EXPECT_EQ(moved.Fill(message), &buffers[0].Header);
    EXPECT_EQ(moved.Fill(message), nullptr);
}

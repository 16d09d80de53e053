#include <gtest/gtest.h>

#include <filesystem>

#include "ContactEvents.h"
#include "SeqFile.h"
#include "TempDir.h"

namespace {

using Events = std::vector<TContactorEvent>;
using Bytes = std::vector<std::uint8_t>;

Bytes Image(const Events& events, std::uint16_t resolution)
{
    std::vector<TTrameOfContactorEvent> frames;
    BuildSeqFrames(events, resolution, frames);
    return BuildSeqImage(frames, resolution);
}

Bytes FrameBlock(const Bytes& image, std::size_t length)
{
    return Bytes(image.begin() + SeqHeaderBlockSize, image.begin() + SeqHeaderBlockSize + static_cast<std::ptrdiff_t>(length));
}

bool AllBytesAre(const Bytes& image, std::size_t from, std::size_t to, std::uint8_t value)
{
    for (std::size_t i = from; i < to; ++i)
        if (image[i] != value)
            return false;
    return true;
}

// n changes at distinct times from 1 s on: frame bytes = 3 + 5 n.
Events DistinctTimes(std::size_t n)
{
    Events events;
    for (std::size_t i = 1; i <= n; ++i)
        events.push_back({static_cast<std::uint32_t>(i * 1000), 1, 1});
    return events;
}

TEST(SeqFile, OneNoteAtHalfSecondResolutionGivesTheKnownImage)
{
    // Channel 1, note 10, velocity 127, from 0 to 1200 ms at 500 ms.
    Events events;
    PrepareContactEvents({TUseFullMidiEvent{0, 1200, 0, 10, 127}}, 500, events);
    ASSERT_EQ(events, (Events{{0, 10, 255}, {1500, 10, 0}}));

    std::vector<TTrameOfContactorEvent> frames;
    BuildSeqFrames(events, 500, frames);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].NextSlot, 3);
    EXPECT_EQ(frames[1].NextSlot, 0);
    EXPECT_EQ(FrameBytes(frames), 10u);

    const Bytes image = BuildSeqImage(frames, 500);
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_TRUE(AllBytesAre(image, 0, 32, 0x20));
    EXPECT_EQ(image[32], 0x00);
    EXPECT_EQ(image[33], 0x0A);
    EXPECT_EQ(image[34], 0x03);
    EXPECT_TRUE(AllBytesAre(image, 35, 32768, 0x20));
    EXPECT_EQ(FrameBlock(image, 10), (Bytes{0x00, 0x03, 0x01, 0x0A, 0xFF, 0x00, 0x00, 0x01, 0x0A, 0x00}));
    EXPECT_TRUE(AllBytesAre(image, 32768 + 10, 65536, 0x00));
}

TEST(SeqFile, FramesStartAtTimeZeroAndPointToTheNextSlot)
{
    // No changes: one empty frame.
    const Bytes empty = Image({}, 1000);
    EXPECT_EQ(empty[33], 3);
    EXPECT_EQ(FrameBlock(empty, 3), (Bytes{0, 0, 0}));
    EXPECT_TRUE(AllBytesAre(empty, 32768 + 3, 65536, 0x00));

    // First change at 2 s: an empty frame pointing to slot 2, then its frame.
    const Bytes late = Image({{2000, 7, 9}, {2000, 8, 0}, {3000, 7, 0}}, 1000);
    EXPECT_EQ(FrameBlock(late, 3 + 7 + 5),
              (Bytes{0, 2, 0, /**/ 0, 3, 2, 7, 9, 8, 0, /**/ 0, 0, 1, 7, 0}));

    // Resolution codes, odd values written as 1 s.
    EXPECT_EQ(Image({}, 100)[34], 1);
    EXPECT_EQ(Image({}, 250)[34], 2);
    EXPECT_EQ(Image({}, 1000)[34], 4);
    EXPECT_EQ(Image({}, 300)[34], 4);
    // Slots count in the resolution the image is written with.
    EXPECT_EQ(FrameBlock(Image({{25000, 1, 1}}, 250), 2), (Bytes{0, 100}));
}

TEST(SeqFile, ARebuildLeavesNothingOfTheFramesBefore)
{
    // The window converts again into the same list: a longer sequence, then
    // a shorter one, then none.
    std::vector<TTrameOfContactorEvent> frames;
    BuildSeqFrames({{0, 1, 2}, {0, 3, 4}, {1000, 1, 0}, {2000, 3, 0}}, 1000, frames);
    ASSERT_EQ(frames.size(), 3u);

    BuildSeqFrames({{1000, 9, 8}}, 1000, frames);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].NextSlot, 1);
    EXPECT_EQ(frames[0].Size(), 0);
    EXPECT_EQ(frames[1].NextSlot, 0);
    ASSERT_EQ(frames[1].Size(), 1);
    EXPECT_EQ(frames[1].GetDataEventX(1)->Contact, 9);

    BuildSeqFrames({}, 1000, frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].NextSlot, 0);
    EXPECT_EQ(frames[0].Size(), 0);
}

TEST(SeqFile, TheFrameBlockIsFilledToTheLastByte)
{
    // 3 + 5 * 6553 = 32768: exactly full, no zero byte after the records.
    Events full = DistinctTimes(6553);
    EXPECT_EQ(CheckSeqImage(full, 1000), TImageFit::Fits);
    Bytes image = Image(full, 1000);
    EXPECT_EQ(image.size(), 65536u);
    EXPECT_EQ(image[32], 0x80);
    EXPECT_EQ(image[33], 0x00);
    // The last record: slot 0, one pair (output 1, level 1).
    EXPECT_EQ(Bytes(image.end() - 5, image.end()), (Bytes{0, 0, 1, 1, 1}));

    // One byte short of full: one zero byte closes the block.
    Events almost = DistinctTimes(6552);
    almost.push_back({6552000, 2, 7});  // two pairs more at the last time: 32767
    almost.push_back({6552000, 3, 8});
    EXPECT_EQ(CheckSeqImage(almost, 1000), TImageFit::Fits);
    image = Image(almost, 1000);
    EXPECT_EQ(image[32] * 256 + image[33], 32767);
    // The last record (three pairs) and one zero byte.
    EXPECT_EQ(Bytes(image.end() - 10, image.end()), (Bytes{0, 0, 3, 1, 1, 2, 7, 3, 8, 0}));

    // One more change does not fit.
    full.push_back({6553000, 2, 7});
    EXPECT_EQ(CheckSeqImage(full, 1000), TImageFit::TooLarge);
}

TEST(SeqFile, ImagesTheDeviceCannotHoldAreRecognised)
{
    EXPECT_EQ(CheckSeqImage({{65535 * 100u, 1, 1}}, 100), TImageFit::Fits);
    EXPECT_EQ(CheckSeqImage({{65536 * 100u, 1, 1}}, 100), TImageFit::SlotTooLarge);
    EXPECT_EQ(CheckSeqImage({{0xFFFFFFFFu, 1, 1}}, 1000), TImageFit::SlotTooLarge);

    Events crowded;
    for (int c = 0; c < 255; ++c)
        crowded.push_back({1000, static_cast<std::uint8_t>(c), 1});
    EXPECT_EQ(CheckSeqImage(crowded, 1000), TImageFit::Fits);
    crowded.push_back({1000, 255, 1});
    EXPECT_EQ(CheckSeqImage(crowded, 1000), TImageFit::TooManyChangesAtOnce);

    // A frame refuses its 257th pair and counts 256 as 0.
    TTrameOfContactorEvent frame;
    for (int c = 0; c < 256; ++c)
        EXPECT_TRUE(frame.add(static_cast<std::uint8_t>(c), 1));
    EXPECT_FALSE(frame.add(0, 0));
    EXPECT_EQ(frame.Size(), 0);
    EXPECT_EQ(frame.GetDataEventX(1)->Contact, 0);
    EXPECT_EQ(frame.GetDataEventX(255)->Contact, 254);
    EXPECT_EQ(frame.GetDataEventX(0), nullptr);
    TTrameOfContactorEvent small;
    small.add(3, 4);
    EXPECT_EQ(small.GetDataEventX(2), nullptr);
}

TEST(SeqFile, AFailedWriteLeavesNothingBehindAndTheOldFileUntouched)
{
    TTempDir dir;
    const Bytes image = Image({{0, 1, 255}}, 1000);

    WriteSeqImageFile(dir.File("show.seq"), image);
    EXPECT_EQ(ReadFileBytes(dir.File("show.seq")), std::string(image.begin(), image.end()));

    // A missing folder.
    EXPECT_THROW(WriteSeqImageFile(dir.File("missing/show.seq"), image), ESeqFileError);

    // The target is a folder that cannot be replaced: the rename fails after
    // a complete temporary file was written, which must be removed again.
    std::filesystem::create_directory(dir.Path() / "taken.seq");
    WriteFileBytes(dir.File("taken.seq/keep"), "x");
    try {
        WriteSeqImageFile(dir.File("taken.seq"), image);
        FAIL() << "no error";
    } catch (const ESeqFileError& e) {
        EXPECT_NE(std::string(e.what()).find("taken.seq"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("taken.seq/keep")), "x");

    // Replacing a file replaces it whole.
    WriteFileBytes(dir.File("old.seq"), "old contents");
    WriteSeqImageFile(dir.File("old.seq"), image);
    EXPECT_EQ(ReadFileBytes(dir.File("old.seq")).size(), 65536u);

    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(entries, 3u);
}

}  // namespace

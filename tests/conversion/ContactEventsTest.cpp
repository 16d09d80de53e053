#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "ContactEvents.h"
#include "LiteralSteps.h"
#include "RandomSmf.h"
#include "SeqFile.h"
#include "SmallStack.h"
#include "SmfWriter.h"

namespace {

using Events = std::vector<TContactorEvent>;

TUseFullMidiEvent Note(std::uint32_t time, std::uint32_t duration, std::uint8_t channel, std::uint8_t note,
                       std::uint8_t velocity)
{
    return TUseFullMidiEvent{time, duration, channel, note, velocity};
}

TUseFullMidiEvent Unclosed(TUseFullMidiEvent note)
{
    note.Unclosed = true;
    return note;
}

Events Prepared(const std::vector<TUseFullMidiEvent>& notes, std::uint16_t resolution)
{
    Events events;
    PrepareContactEvents(notes, resolution, events);
    return events;
}

TEST(CollectNoteEvents, TakesNoteOnsOfChannelsOneAndTwoThatCloseNothing)
{
    TSmfTrack first;
    first.Tempo(0, 500000)
        .Event(0, {0x90, 60, 100})
        .Event(0, {0x92, 61, 100})  // channel 3: ignored
        .Event(480, {0x90, 60, 0})  // closes the first note: not collected
        .Event(0, {0x90, 62, 0})    // velocity 0 closing nothing: collected
        .Event(0, {0x80, 62, 0});
    TSmfTrack second;
    second.Event(960, {0x91, 60, 127});  // never closed
    TMidiFile file;
    file.LoadBytes(SmfFile(1, 480, {first, second}));

    std::vector<TUseFullMidiEvent> notes{Note(1, 1, 1, 1, 1)};  // emptied first
    CollectNoteEvents(file, notes);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], Note(0, 500, 0, 60, 100));
    EXPECT_EQ(notes[1], Note(500, 0, 0, 62, 0));  // closed by the 0x80
    EXPECT_EQ(notes[2], Unclosed(Note(1000, 0, 1, 60, 127)));  // track order, not time order

    // Closed at once is not left open.
    TSmfTrack zero;
    zero.Event(0, {0x90, 60, 100}).Event(0, {0x80, 60, 0});
    file.LoadBytes(SmfFile(0, 480, {zero}));
    CollectNoteEvents(file, notes);
    EXPECT_EQ(notes, (std::vector{Note(0, 0, 0, 60, 100)}));
}

// A note of 2^32 - 1 ticks, the longest a track holds, is a note: its
// length is no mark of a note-off. At 1 microsecond per quarter note of
// 32767 ticks it lasts 131 ms.
TEST(CollectNoteEvents, ANoteOfTheLongestLengthIsANoteWhateverItsDeltaTimesLook)
{
    std::string tempo;
    AppendVlq(tempo, 0);
    tempo += std::string("\xFF\x51\x03\x00\x00\x01", 6);
    const std::string on = std::string("\x00\x90\x0A\x7F", 4);
    TSmfTrack legal;  // 16 x (2^28 - 1) + 15 ticks, through text events
    legal.Raw(tempo + on);
    for (int i = 0; i < 16; ++i)
        legal.Meta(0x0FFFFFFF, 0x01, "");
    legal.Event(15, {0x80, 10, 0});
    TSmfTrack fiveBytes;  // one delta time of 2^32 - 1 in five bytes
    fiveBytes.Raw(tempo + on + std::string("\x8F\xFF\xFF\xFF\x7F\x0A\x00", 7));
    for (const TSmfTrack& track : {legal, fiveBytes}) {
        TMidiFile file;
        file.LoadBytes(SmfFile(0, 32767, {track}));
        std::vector<TUseFullMidiEvent> notes;
        CollectNoteEvents(file, notes);
        EXPECT_EQ(notes, (std::vector{Note(0, 131, 0, 10, 127)}));
        EXPECT_EQ(Prepared(notes, 100), (Events{{0, 10, 255}, {200, 10, 0}}));
    }
}

TEST(PrepareContactEvents, MapsChannelNoteAndVelocityToOutputAndLevel)
{
    const Events events = Prepared({Note(0, 1000, 1, 60, 100), Note(2000, 1000, 0, 1, 127),
                                    Note(4000, 1000, 0, 2, 126), Note(6000, 1000, 0, 3, 1)},
                                   1000);
    const Events expected{{0, 188, 200}, {1000, 188, 0}, {2000, 1, 255}, {3000, 1, 0},
                          {4000, 2, 252}, {5000, 2, 0}, {6000, 3, 2}, {7000, 3, 0}};
    EXPECT_EQ(events, expected);
}

TEST(PrepareContactEvents, QuantizesUpToTheNextMultipleOfTheResolution)
{
    Events events{{0, 1, 1}, {1, 2, 1}, {500, 3, 1}, {501, 4, 1}, {0xFFFFFFFFu, 5, 1}};
    QuantizeContactEvents(events, 500);
    EXPECT_EQ(events[0].TimeMs, 0u);
    EXPECT_EQ(events[1].TimeMs, 500u);
    EXPECT_EQ(events[2].TimeMs, 500u);
    EXPECT_EQ(events[3].TimeMs, 1000u);
    EXPECT_EQ(events[4].TimeMs, 0xFFFFFFFFu) << "saturates instead of wrapping to 0";

    // A resolution that only a hand-edited settings file gives converts as 1 s.
    Events odd{{300, 1, 1}, {1001, 2, 1}};
    QuantizeContactEvents(odd, 300);
    EXPECT_EQ(odd[0].TimeMs, 1000u);
    EXPECT_EQ(odd[1].TimeMs, 2000u);
    Events zero{{1, 1, 1}};
    QuantizeContactEvents(zero, 0);
    EXPECT_EQ(zero[0].TimeMs, 1000u);
}

TEST(PrepareContactEvents, CleansAsTheDeviceExpects)
{
    // A note from 1010 to 1400 ms at 500 ms never switches on.
    EXPECT_EQ(Prepared({Note(1010, 390, 0, 5, 100)}, 500), (Events{{1500, 5, 0}}));
    // An unclosed note leaves only its switch-off.
    EXPECT_EQ(Prepared({Note(1000, 0, 0, 5, 100)}, 1000), (Events{{1000, 5, 0}}));
    // The same note in two tracks: the later track's events remain.
    EXPECT_EQ(Prepared({Note(0, 1000, 0, 7, 10), Note(0, 1000, 0, 7, 20)}, 1000),
              (Events{{0, 7, 40}, {1000, 7, 0}}));
    // Repeats are judged in note order, before the sort: the two switch-offs
    // end up next to each other in time, yet both stay.
    EXPECT_EQ(Prepared({Note(0, 1000, 0, 7, 10), Note(0, 2000, 0, 7, 20)}, 1000),
              (Events{{0, 7, 40}, {1000, 7, 0}, {2000, 7, 0}}));
    // Back-to-back notes of one output merge with equal velocities...
    EXPECT_EQ(Prepared({Note(0, 1000, 0, 9, 50), Note(1000, 1000, 0, 9, 50)}, 1000),
              (Events{{0, 9, 100}, {2000, 9, 0}}));
    // ...and change level with different ones.
    EXPECT_EQ(Prepared({Note(0, 1000, 0, 9, 50), Note(1000, 1000, 0, 9, 60)}, 1000),
              (Events{{0, 9, 100}, {1000, 9, 120}, {2000, 9, 0}}));
    EXPECT_TRUE(Prepared({}, 1000).empty());
}

// Random lists with few times and outputs, so that duplicates and repeats abound.
Events RandomEvents(std::mt19937& random, std::size_t n, std::uint32_t times, std::uint32_t contacts,
                    std::uint32_t values)
{
    Events events(n);
    for (TContactorEvent& e : events) {
        e.TimeMs = static_cast<std::uint32_t>(random() % times) * 100;
        e.Contact = static_cast<std::uint8_t>(random() % contacts);
        e.Value = static_cast<std::uint8_t>(random() % values);
    }
    return events;
}

TEST(PrepareContactEvents, FastCleaningLeavesWhatTheSearchByDeletionLeaves)
{
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = random() % 60;
        const auto times = static_cast<std::uint32_t>(1 + random() % 6);
        const auto contacts = static_cast<std::uint32_t>(1 + random() % 5);
        const auto values = static_cast<std::uint32_t>(1 + random() % 3);
        const Events input = RandomEvents(random, n, times, contacts, values);

        Events fast = input;
        Events slow = input;
        RemoveSameTimeDuplicates(fast);
        literal::RemoveSameTimeDuplicates(slow);
        ASSERT_EQ(fast, slow) << "round " << round;

        RemoveRepeatedStates(fast);
        literal::RemoveRepeatedStates(slow);
        ASSERT_EQ(fast, slow) << "round " << round;
    }
    // All 256 outputs at one time, listed twice: the second listing stays.
    Events twice;
    for (int pass = 0; pass < 2; ++pass)
        for (int c = 0; c < 256; ++c)
            twice.push_back({0, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(pass)});
    Events slow = twice;
    RemoveSameTimeDuplicates(twice);
    literal::RemoveSameTimeDuplicates(slow);
    EXPECT_EQ(twice, slow);
    EXPECT_EQ(twice.size(), 256u);
}

// The cleaning as its four steps, one after the other: what the one-pass
// cleanings must give.
Events CleanedStepByStep(const std::vector<TUseFullMidiEvent>& notes, std::uint16_t resolution)
{
    Events events;
    BuildContactEvents(notes, events);
    QuantizeContactEvents(events, resolution);
    RemoveSameTimeDuplicates(events);
    RemoveRepeatedStates(events);
    return events;
}

// The notes as a walk over every event of every track takes them, the
// events read whole with the reader's pairing.
std::vector<TUseFullMidiEvent> NotesOfEvents(const TMidiFile& file)
{
    std::vector<TUseFullMidiEvent> notes;
    const double factor = file.MicrosecondsPerTick();
    for (std::int32_t t = 0; t < file.NumberOfTracks(); ++t)
        for (const TMidiEvent& e : file.TrackAt(t).Events())
            if ((e.Status == 0x90 || e.Status == 0x91) && (e.Duration != -1 || e.Closed))
                notes.push_back({TicksToMs(factor, static_cast<std::uint32_t>(e.Time)),
                                 TicksToMs(factor, static_cast<std::uint32_t>(e.Duration)),
                                 static_cast<std::uint8_t>(e.Status - 0x90), e.Data1, e.Data2, !e.Closed});
    return notes;
}

TEST(CollectContactEvents, NotesStraightFromTheFileIntoTheTableGiveWhatTheStepsGive)
{
    // Random files, with few outputs so that duplicates and repeats abound,
    // times from some seconds to far past 2^32 ms (where they saturate),
    // and large files that go the table way by their size.
    std::mt19937 random(5);
    std::vector<std::string> files;
    for (int i = 0; i < 400; ++i)
        files.push_back(RandomSmf(random));
    files.push_back(GeneratedSmf(40000, 4, 9));
    files.push_back(DenseSmf(40000, 16, 2, 9));
    // Short spans, which the table holds whole at every resolution.
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        files.push_back(DenseSmf(3000, 4, 3, seed));
        files.push_back(InterleavedSmf(3000, 2, seed));
    }
    for (const std::string& bytes : files) {
        TMidiFile file;
        file.LoadBytes(bytes);
        std::vector<TUseFullMidiEvent> notes;
        CollectNoteEvents(file, notes);
        ASSERT_EQ(notes, NotesOfEvents(file)) << "in track order, then file order";
        for (const std::uint16_t resolution : {std::uint16_t{100}, std::uint16_t{1000}, std::uint16_t{300}}) {
            const Events expected = CleanedStepByStep(notes, resolution);
            for (const TCleaningWay way : {TCleaningWay::Table, TCleaningWay::Steps, TCleaningWay::BySize}) {
                std::vector<TUseFullMidiEvent> taken{Note(1, 1, 1, 1, 1)};
                Events events;
                CollectContactEvents(file, resolution, taken, events, way);
                ASSERT_EQ(taken, notes) << static_cast<int>(way) << " at " << resolution;
                ASSERT_EQ(events, expected) << static_cast<int>(way) << " at " << resolution;
            }
        }
    }
}

TEST(PrepareContactEvents, SortKeepsTheQuicksortOrderOfEqualTimes)
{
    std::mt19937 random(11);
    std::vector<Events> inputs;
    for (int round = 0; round < 2000; ++round)
        inputs.push_back(RandomEvents(random, random() % 80, static_cast<std::uint32_t>(1 + random() % 8), 256, 256));
    // Organ-pipe order drives the plain quicksort to a recursion depth of n / 2.
    Events organ;
    for (std::uint32_t i = 0; i < 5000; ++i)
        organ.push_back({i * 100, static_cast<std::uint8_t>(i), 1});
    for (std::uint32_t i = 5000; i-- > 0;)
        organ.push_back({i * 100, static_cast<std::uint8_t>(i), 2});
    inputs.push_back(organ);
    Events sorted = organ;
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.TimeMs < b.TimeMs; });
    inputs.push_back(sorted);
    inputs.push_back(Events(3000, TContactorEvent{5, 1, 1}));
    // As many changes as the command ever sorts.
    inputs.push_back(RandomEvents(random, SeqMaxChanges, 1000, 256, 256));
    Events runs;  // ascending runs one after the other, as tracks give
    for (int track = 0; track < 4; ++track)
        for (std::uint32_t i = 0; i < SeqMaxChanges / 4; ++i)
            runs.push_back({i / 3 * 100, static_cast<std::uint8_t>(track), static_cast<std::uint8_t>(i)});
    inputs.push_back(runs);

    for (const Events& input : inputs) {
        Events fast = input;
        Events slow = input;
        SortContactEvents(fast);
        literal::Sort(slow);
        ASSERT_EQ(fast, slow);
        ASSERT_TRUE(std::is_sorted(fast.begin(), fast.end(), [](auto& a, auto& b) { return a.TimeMs < b.TimeMs; }));
    }
}

TEST(PrepareContactEvents, SortingOrganPipeOrderNeedsLittleStack)
{
    // The plain quicksort recurses 20000 deep here, far beyond this thread's
    // 256 KiB stack; recursing only into the smaller part stays near log n.
    Events events;
    const std::uint32_t half = 20000;
    for (std::uint32_t i = 0; i < half; ++i)
        events.push_back({i, 0, 0});
    for (std::uint32_t i = half; i-- > 0;)
        events.push_back({i, 1, 0});

    RunOnSmallStack(256 * 1024, [&] { SortContactEvents(events); });
    EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                               [](auto& a, auto& b) { return a.TimeMs < b.TimeMs; }));
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ContactEvents.h"
#include "MidiFile.h"
#include "SmfWriter.h"
#include "TempDir.h"

namespace {

TMidiFile Load(const std::string& bytes)
{
    TMidiFile file;
    file.LoadBytes(bytes);
    return file;
}

TMidiFile LoadTrack(const TSmfTrack& track, std::uint16_t division = 480)
{
    return Load(SmfFile(1, division, {track}));
}

std::string ErrorOf(const std::string& bytes)
{
    try {
        Load(bytes);
    } catch (const EMidiFileError& e) {
        return e.what();
    }
    return "";
}

TEST(MidiFileReader, TheLastTempoEventSetsTheFactorForTheWholeFile)
{
    TSmfTrack first;
    first.Tempo(0, 500000).Event(960, {0x90, 60, 100}).EndOfTrack();
    TMidiFile one = LoadTrack(first);
    EXPECT_EQ(one.Bpm(), 120);
    EXPECT_DOUBLE_EQ(one.MicrosecondsPerTick(), 500000.0 / 480);
    EXPECT_EQ(one.TrackAt(0).Events()[1].Time, 960);
    EXPECT_EQ(TicksToMs(one.MicrosecondsPerTick(), 960), 1000u);

    // A later tempo in a later track rules the events of every track.
    TSmfTrack second;
    second.Event(5000, {0x90, 61, 100}).Tempo(0, 250000).EndOfTrack();
    TMidiFile two = Load(SmfFile(1, 480, {first, second}));
    EXPECT_EQ(two.Bpm(), 240);
    EXPECT_DOUBLE_EQ(two.MicrosecondsPerTick(), 250000.0 / 480);
}

TEST(MidiFileReader, AFileWithoutTempoPlaysAt120AndNeverInheritsTheLastFilesTempo)
{
    TSmfTrack withTempo;
    withTempo.Tempo(0, 250000).EndOfTrack();
    TSmfTrack without;
    without.Event(0, {0x90, 60, 100}).EndOfTrack();

    TMidiFile file;
    file.LoadBytes(SmfFile(0, 480, {withTempo}));
    EXPECT_EQ(file.Bpm(), 240);
    file.LoadBytes(SmfFile(0, 96, {without}));
    EXPECT_EQ(file.Bpm(), 120);
    EXPECT_DOUBLE_EQ(file.MicrosecondsPerTick(), 500000.0 / 96);
}

struct Pairing {
    std::vector<std::int32_t> durations;
};

Pairing Durations(const TSmfTrack& track)
{
    const TMidiFile file = LoadTrack(track);
    Pairing p;
    for (const TMidiEvent& e : file.TrackAt(0).Events())
        if (e.Status != 0xFF)
            p.durations.push_back(e.Duration);
    return p;
}

TEST(MidiFileReader, NoteOffsPairWithTheLatestMatchingNoteOnOfTheirChannel)
{
    using V = std::vector<std::int32_t>;
    TSmfTrack velocityZero;
    velocityZero.Event(0, {0x90, 60, 100}).Event(480, {0x90, 60, 0});
    EXPECT_EQ(Durations(velocityZero).durations, (V{480, -1}));

    TSmfTrack noteOff;
    noteOff.Event(0, {0x90, 60, 100}).Event(480, {0x80, 60, 77});
    EXPECT_EQ(Durations(noteOff).durations, (V{480, -1}));

    // The note-on at 100 is paired twice, the one at 0 never.
    TSmfTrack twice;
    twice.Event(0, {0x90, 60, 100}).Event(100, {0x90, 60, 100}).Event(100, {0x80, 60, 0}).Event(100, {0x80, 60, 0});
    EXPECT_EQ(Durations(twice).durations, (V{0, 200, -1, -1}));

    // With velocity-0 note-offs the second one pairs with the first note-off.
    TSmfTrack chain;
    chain.Event(0, {0x90, 60, 100}).Event(100, {0x90, 60, 100}).Event(100, {0x90, 60, 0}).Event(100, {0x90, 60, 0});
    EXPECT_EQ(Durations(chain).durations, (V{0, 100, 100, -1}));

    // Another channel or another note never pairs; an unclosed note keeps 0.
    TSmfTrack others;
    others.Event(0, {0x90, 60, 100}).Event(10, {0x81, 60, 0}).Event(10, {0x80, 61, 0});
    EXPECT_EQ(Durations(others).durations, (V{0, 0, 0}));

    // Closed at once and never closed differ in the flag only.
    TSmfTrack atOnce;
    atOnce.Event(0, {0x90, 60, 100}).Event(0, {0x80, 60, 0}).Event(0, {0x90, 61, 100});
    const std::vector<TMidiEvent> events = LoadTrack(atOnce).TrackAt(0).Events();
    EXPECT_EQ(events[0].Duration, 0);
    EXPECT_TRUE(events[0].Closed);
    EXPECT_EQ(events[2].Duration, 0);
    EXPECT_FALSE(events[2].Closed);
    EXPECT_TRUE(LoadTrack(atOnce).TrackAt(0).EventAt(0)->Closed);
}

TEST(MidiFileReader, EventAtGivesEachEventOfATrackByIndexAndNothingOutsideIt)
{
    TSmfTrack track;
    track.Event(0, {0x90, 60, 100}).Event(480, {0x80, 60, 0}).Event(10, {0xC0, 5});
    TMidiFile file;
    file.LoadBytes(SmfFile(1, 480, {track}));
    const TMidiTrack& read = file.TrackAt(0);
    ASSERT_EQ(read.EventCount(), 3);
    const std::vector<TMidiEvent> events = read.Events();
    for (std::int32_t i = 0; i < read.EventCount(); ++i) {
        const TMidiEvent* event = read.EventAt(i);
        ASSERT_NE(event, nullptr) << i;
        EXPECT_EQ(event->Status, events[static_cast<std::size_t>(i)].Status) << i;
        EXPECT_EQ(event->Time, events[static_cast<std::size_t>(i)].Time) << i;
        EXPECT_EQ(event->Duration, events[static_cast<std::size_t>(i)].Duration) << i;
    }
    EXPECT_EQ(read.EventAt(1)->Duration, -1);
    EXPECT_EQ(read.EventAt(2)->Data1, 5);
    EXPECT_EQ(read.EventAt(-1), nullptr);
    EXPECT_EQ(read.EventAt(3), nullptr);
}

TEST(MidiFileReader, RunningStatusContinuesTheChannelMessageAcrossMetaAndSysex)
{
    TSmfTrack track;
    track.Event(0, {0x90, 60, 100})
        .Event(10, {62, 100})                   // running status
        .Meta(0, 0x01, "text")                  // a meta event in between
        .Event(10, {64, 100})                   // still note-on
        .Sysex(0, std::string("\x7E\x7F\x09\x01\xF7", 5))
        .Event(10, {65, 90})                    // still note-on after system exclusive
        .Event(0, {0xC0, 5})                    // program change: one data byte
        .Event(0, {7})                          // running program change
        .EndOfTrack();
    const TMidiFile file = LoadTrack(track);
    const std::vector<TMidiEvent> events = file.TrackAt(0).Events();
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[1].Status, 0x90);
    EXPECT_EQ(events[1].Data1, 62);
    EXPECT_EQ(events[2].Status, 0xFF);
    EXPECT_EQ(file.TrackAt(0).MetaData(2), "text");
    EXPECT_EQ(file.TrackAt(0).MetaData(1), "") << "no meta event";
    EXPECT_EQ(events[3].Status, 0x90);
    EXPECT_EQ(events[3].Data1, 64);
    EXPECT_EQ(events[4].Status, 0xF0);
    EXPECT_EQ(events[5].Status, 0x90);
    EXPECT_EQ(events[5].Data1, 65);
    EXPECT_EQ(events[5].Time, 30);
    EXPECT_EQ(events[6].Status, 0xC0);
    EXPECT_EQ(events[6].Data2, 0);
    EXPECT_EQ(events[7].Status, 0xC0);
    EXPECT_EQ(events[7].Data1, 7);
}

TEST(MidiFileReader, AnEventWithoutDataBytesEndsAtTheByteAfterItsStatus)
{
    // Delta 0, status 0xFC; delta 5, status 0xFE: two events of no data.
    TSmfTrack track;
    track.Raw(std::string("\x00\xFC\x05\xFE", 4));
    const TMidiFile file = LoadTrack(track);
    const std::vector<TMidiEvent> events = file.TrackAt(0).Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Status, 0xFE);
    EXPECT_EQ(events[1].Time, 5);
}

TEST(MidiFileReader, HeaderFieldsChunksAndNames)
{
    TSmfTrack named;
    named.Meta(0, 0x03, "Piano").Meta(0, 0x04, std::string("Or\0an", 5)).Event(0, {0x90, 1, 1}).EndOfTrack();
    TSmfTrack plain;
    plain.Event(0, {0x91, 2, 2});
    // Header announcing 3 tracks, an unknown chunk between two track chunks,
    // and track chunks of 0 and 1 bytes.
    const std::string bytes = SmfHeaderChunk(1, 3, 0x01E0) + SmfChunk("MTrk", named.Data()) +
                              SmfChunk("XYZW", "ignored") + SmfChunk("MTrk", plain.Data()) +
                              SmfChunk("MTrk", "") + SmfChunk("MTrk", std::string(1, '\x00'));
    TMidiFile file;
    file.LoadBytes(bytes);
    EXPECT_EQ(file.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(file.TicksPerQuarter(), 480);
    EXPECT_EQ(file.NumberOfTracks(), 4);
    EXPECT_EQ(file.TrackAt(0).TrackName(), "Piano");
    EXPECT_EQ(file.TrackAt(0).InstrumentName(), std::string("Or\0an", 5));
    EXPECT_EQ(file.TrackAt(0).Events()[0].Data1, 0x03);
    EXPECT_EQ(file.TrackAt(1).EventCount(), 1);
    EXPECT_EQ(file.TrackAt(2).EventCount(), 0);
    EXPECT_EQ(file.TrackAt(3).EventCount(), 0);
    EXPECT_THROW(file.TrackAt(4), std::out_of_range);

    // Format 3 leaves the format alone; a new load drops the old tracks.
    file.LoadBytes(SmfHeaderChunk(3, 1, 96) + SmfChunk("MTrk", plain.Data()));
    EXPECT_EQ(file.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(file.NumberOfTracks(), 1);
    EXPECT_EQ(file.TrackAt(0).Events()[0].Status, 0x91);
}

TEST(MidiFileReader, AnSmpteDivisionGivesFramesTimesTicksPerSecondWhateverTheTempo)
{
    const struct {
        std::uint16_t division;
        std::int32_t framesPerSecond;
        double microsecondsPerTick;
    } rates[] = {
        {0xE828, 24, 1000000.0 / 24 / 40},   // -24, 40 ticks per frame
        {0xE728, 25, 1000.0},                // -25, 40: a millisecond
        {0xE31E, 29, 100000000.0 / 2997 / 30},  // -29 is 29.97 frames, drop frame
        {0xE250, 30, 1000000.0 / 30 / 80},   // -30, 80
        {0xE701, 25, 40000.0},               // one tick per frame
    };
    for (const auto& rate : rates) {
        TSmfTrack track;
        track.Tempo(0, 250000).Event(0, {0x90, 1, 1}).Tempo(10, 1000000);
        const TMidiFile file = LoadTrack(track, rate.division);
        EXPECT_EQ(file.SmpteFramesPerSecond(), rate.framesPerSecond) << rate.division;
        EXPECT_DOUBLE_EQ(file.MicrosecondsPerTick(), rate.microsecondsPerTick) << rate.division;
        EXPECT_EQ(file.Bpm(), 60) << "the tempo events still give the beats per minute";
        EXPECT_EQ(file.TicksPerQuarter(), rate.division) << "the word as it stands";
        EXPECT_EQ(file.SmpteTicksPerFrame(), rate.division & 0xFF);
    }
    // Another header with ticks per quarter note ends the SMPTE timing.
    TMidiFile file;
    file.LoadBytes(SmfHeaderChunk(0, 1, 0xE728) + SmfHeaderChunk(0, 1, 480) + SmfChunk("MTrk", ""));
    EXPECT_EQ(file.SmpteFramesPerSecond(), 0);
    EXPECT_DOUBLE_EQ(file.MicrosecondsPerTick(), 500000.0 / 480);
}

TEST(MidiFileReader, CountsTheTempoEventsTheNotesAndWhatTheConversionLeavesOut)
{
    TSmfTrack first;
    first.Tempo(0, 600000)
        .Event(0, {0x90, 60, 100})
        .Event(0, {0x91, 61, 100})
        .Event(0, {0x90, 62, 0})    // a note-off: no note
        .Event(10, {0x99, 36, 90})  // channel 10
        .Event(0, {0x80, 60, 0})
        .Tempo(20, 400000);
    TSmfTrack second;
    for (std::uint32_t i = 0; i < 30; ++i)
        second.Event(1, {0x92, static_cast<std::uint8_t>(i), 1}).Event(0, {0x92, static_cast<std::uint8_t>(i), 0});
    second.Tempo(0, 300000);
    const TMidiFile file = Load(SmfFile(1, 480, {first, second}));
    EXPECT_EQ(file.TrackAt(0).NoteCount(), 2);
    EXPECT_EQ(file.TrackAt(1).NoteCount(), 0);
    EXPECT_EQ(file.Tempo(), 300000u) << "the last in file order";

    const auto& tempos = file.TempoEvents();
    EXPECT_EQ(tempos.Count, 3u);
    ASSERT_EQ(tempos.First.size(), 3u);
    EXPECT_EQ(tempos.First[1].Track, 0);
    EXPECT_EQ(tempos.First[1].Tick, 30u);
    EXPECT_EQ(tempos.First[1].Tempo, 400000u);
    EXPECT_EQ(tempos.First[2].Track, 1);

    const auto& others = file.OtherChannelNotes();
    EXPECT_EQ(others.Count, 31u);
    ASSERT_EQ(others.First.size(), TFirstOf<TOtherChannelNote>::Kept);
    EXPECT_EQ(others.First[0].Channel, 9);
    EXPECT_EQ(others.First[0].Note, 36);
    EXPECT_EQ(others.First[0].Tick, 10u);
    EXPECT_EQ(others.First[1].Track, 1);
    EXPECT_EQ(others.First[19].Note, 18);

    // A file without tempo events plays at the default; a new load forgets the old counts.
    TSmfTrack plain;
    plain.Event(0, {0x90, 60, 100});
    const TMidiFile again = [&] {
        TMidiFile f = Load(SmfFile(1, 480, {first, second}));
        f.LoadBytes(SmfFile(0, 480, {plain}));
        return f;
    }();
    EXPECT_EQ(again.Tempo(), TMidiFile::DefaultTempo);
    EXPECT_EQ(again.TempoEvents().Count, 0u);
    EXPECT_EQ(again.OtherChannelNotes().Count, 0u);
    EXPECT_EQ(again.TrackAt(0).NoteCount(), 1);
}

TEST(MidiFileReader, EventsAreReadAgainFromTheFileOnlyWhileItIsTheFileLoaded)
{
    TTempDir dir;
    TSmfTrack track;
    track.Meta(0, 0x01, "words").Event(0, {0x90, 60, 100}).Event(480, {60, 0}).EndOfTrack();
    const std::string path = dir.File("a.mid");
    WriteBytesToFile(path, SmfFile(0, 480, {track}));
    TMidiFile file;
    file.SetFilename(path);
    file.LoadFile();
    EXPECT_EQ(file.TrackAt(0).Events().at(1).Duration, 480);
    EXPECT_EQ(file.TrackAt(0).MetaData(0), "words");

    track.Event(10, {0x90, 61, 100});
    WriteBytesToFile(path, SmfFile(0, 480, {track}));
    try {
        file.TrackAt(0).Events();
        FAIL() << "a changed file read as the one loaded";
    } catch (const EMidiFileError& e) {
        EXPECT_EQ(std::string(e.what()), "The MIDI file " + path + " has changed since it was read");
    }
    std::filesystem::remove(path);
    EXPECT_THROW(file.TrackAt(0).Events(), EMidiFileError);
}

TEST(MidiFileReader, ATrackWhoseTimePassesThirtyTwoBitsIsRefusedInsteadOfWrapping)
{
    TSmfTrack track;
    track.Event(0x0FFFFFFF, {0x90, 60, 1}).Event(0x0FFFFFFF, {60, 0});
    for (int i = 0; i < 13; ++i)
        track.Event(0x0FFFFFFF, {0xFE});
    track.Event(0x0FFFFFFF, {0xFE});  // 16 x (2^28 - 1) = 2^32 - 16: the last tick that fits
    const TMidiFile file = LoadTrack(track);
    const std::vector<TMidiEvent> events = file.TrackAt(0).Events();
    EXPECT_EQ(events[0].Duration, 0x0FFFFFFF);
    EXPECT_EQ(static_cast<std::uint32_t>(events.back().Time), 0xFFFFFFF0u);

    track.Event(15, {0xFE});  // 2^32 - 1
    EXPECT_EQ(static_cast<std::uint32_t>(LoadTrack(track).TrackAt(0).Events().back().Time), 0xFFFFFFFFu);
    track.Event(1, {0xFE});
    TMidiFile tooLong;
    EXPECT_THROW(tooLong.LoadBytes(SmfFile(1, 480, {track})), EMidiTrackTooLong);
    EXPECT_EQ(tooLong.Tracks().at(0).EventCount(), 17) << "the events before it are kept";
}

TEST(MidiFileReader, MalformedFilesRaiseAClearErrorInsteadOfReadingPastTheChunk)
{
    const std::string header = SmfHeaderChunk(0, 1, 480);
    const struct {
        const char* what;
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"unterminated delta", header + SmfChunk("MTrk", "\x81\x82"), "delta time runs past"},
        {"missing data byte", header + SmfChunk("MTrk", std::string("\x00\x90\x3C", 3)), "channel message runs past"},
        {"meta data too long", header + SmfChunk("MTrk", std::string("\x00\xFF\x01\x05" "ab", 6)), "meta event data"},
        {"meta length unterminated", header + SmfChunk("MTrk", std::string("\x00\xFF\x01\x85", 4)), "meta event length"},
        {"sysex too long", header + SmfChunk("MTrk", std::string("\x00\xF0\x09\x01\x02", 5)), "system exclusive data"},
        {"short tempo", header + SmfChunk("MTrk", std::string("\x00\xFF\x51\x02\x07\xA1", 6)), "2 data bytes"},
        {"tempo zero", header + SmfChunk("MTrk", std::string("\x00\xFF\x51\x03\x00\x00\x00", 7)), "tempo of 0"},
        {"division zero", SmfHeaderChunk(0, 1, 0) + SmfChunk("MTrk", std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7)),
         "0 ticks per quarter"},
        {"division zero, default tempo", SmfHeaderChunk(0, 1, 0) + SmfChunk("MTrk", std::string("\x00\x90\x3C\x40", 4)),
         "0 ticks per quarter"},
        {"short header", SmfChunk("MThd", std::string("\x00\x00\x00\x01\x01", 5)), "needs 6 bytes"},
        {"negative length", header + std::string("MTrk\x80\x00\x00\x01", 8), "invalid length"},
        {"length past the end", header + std::string("MTrk\x00\x00\x00\x09\x00\x90", 10), "only 2 bytes follow"},
        {"torn chunk header", header + std::string("MTr", 3), "ends inside the header of chunk 2"},
        {"empty", "", "MIDI file is empty"},
        {"text", "hello, this is no MIDI file\n", "is not a Standard MIDI File"},
        {"zeros", std::string(4096, '\0'), "is not a Standard MIDI File"},
        {"another chunk first", SmfChunk("MTrk", "") + header, "does not begin with an 'MThd' chunk"},
        {"lone MThd", "MThd", "ends inside the header of chunk 1"},
        {"SMPTE frame rate", SmfHeaderChunk(0, 1, 0xE628) + SmfChunk("MTrk", ""), "gives 26 frames per second"},
        {"SMPTE zero ticks", SmfHeaderChunk(0, 1, 0xE700) + SmfChunk("MTrk", ""), "0 ticks per frame"},
        // Bytes on the wrong side of 0x80, read as they came they would put
        // the events out of step.
        {"data byte first", header + SmfChunk("MTrk", std::string("\x00\x3C\x40\x00", 4)),
         "byte 1 of its data: 0x3C, a data byte, where the status byte of an event belongs"},
        {"data byte after a system message", header + SmfChunk("MTrk", std::string("\x00\xFC\x05\x00", 4)),
         "byte 3 of its data: 0x00, a data byte, where the status byte of an event belongs"},
        {"status byte as a note", header + SmfChunk("MTrk", std::string("\x00\x90\x91\x40", 4)),
         "byte 2 of its data: 0x91, a status byte, where a data byte of a channel message belongs"},
        {"status byte as a velocity under running status",
         header + SmfChunk("MTrk", std::string("\x00\x90\x3C\x40\x00\x3E\xC0\x00", 8)),
         "byte 6 of its data: 0xC0, a status byte, where a data byte of a channel message belongs"},
        {"status byte as a program", header + SmfChunk("MTrk", std::string("\x00\xC0\x80\x00", 4)),
         "byte 2 of its data: 0x80, a status byte"},
        {"delta time past 32 bits", header + SmfChunk("MTrk", std::string("\x90\x80\x80\x80\x00\xFE", 6)),
         "byte 0 of its data: a delta time of more than 4294967295"},
        {"meta length past 32 bits", header + SmfChunk("MTrk", std::string("\x00\xFF\x01\xFF\xFF\xFF\xFF\x7F", 8)),
         "byte 3 of its data: a meta event length of more than 4294967295"},
    };
    for (const auto& c : cases) {
        const std::string message = ErrorOf(c.bytes);
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.what << ": " << message;
    }
}

TEST(MidiFileReader, AfterAnErrorTheTracksReadSoFarStayAndTheCountIsNotUpdated)
{
    TSmfTrack good;
    good.Event(0, {0x90, 60, 100});
    TMidiFile file;
    EXPECT_THROW(file.LoadBytes(SmfHeaderChunk(1, 5, 480) + SmfChunk("MTrk", good.Data()) + "MTr"), EMidiFileError);
    EXPECT_EQ(file.Tracks().size(), 1u);
    EXPECT_EQ(file.NumberOfTracks(), 5);  // the header's count
}

TEST(MidiFileReader, LoadFileReadsFromDiskAndNamesAMissingFile)
{
    TTempDir dir;
    TSmfTrack track;
    track.Event(0, {0x90, 60, 100}).Event(480, {60, 0}).EndOfTrack();
    WriteBytesToFile(dir.File("a.mid"), SmfFile(0, 480, {track}));
    TMidiFile file;
    file.SetFilename(dir.File("a.mid"));
    file.LoadFile();
    EXPECT_EQ(file.TrackAt(0).Events()[0].Duration, 480);

    file.SetFilename(dir.File("missing.mid"));
    try {
        file.LoadFile();
        FAIL() << "no error for a missing file";
    } catch (const EMidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.mid"), std::string::npos);
    }
}

// A file is read from disk a window at a time: events, large ones among
// them, that straddle the windows' edges read as they do from memory, and
// damage past an edge is told as it is from memory.
TEST(MidiFileReader, FromDiskAFileReadsAsFromMemoryAcrossItsWindows)
{
    TTempDir dir;
    TSmfTrack large;
    large.Tempo(0, 400000).Meta(0, 0x03, std::string(100000, 'n')).Event(0, {0x90, 60, 100});
    for (int i = 0; i < 40000; ++i)
        large.Event(static_cast<std::uint32_t>(i % 300), {static_cast<std::uint8_t>(0x90 | (i % 3)), 60, static_cast<std::uint8_t>(i % 2)});
    large.Sysex(5, std::string(200000, '\x11')).Meta(0, 0x04, std::string(70000, 'i')).Event(1, {0x80, 60, 0});
    TSmfTrack damaged = large;
    damaged.Raw(std::string("\x00\x90\x3C\x95", 4)).EndOfTrack();  // a status byte as velocity, far in
    const std::string broken = SmfFile(1, 480, {large, damaged});

    const std::vector<std::string> files{SmfFile(1, 480, {large, large}), GeneratedSmf(60000, 3, 4), broken};
    for (const std::string& bytes : files) {
        TMidiFile fromMemory;
        std::string memoryError;
        try {
            fromMemory.LoadBytes(bytes, dir.File("song.mid"));
        } catch (const EMidiFileError& e) {
            memoryError = e.what();
        }
        WriteBytesToFile(dir.File("song.mid"), bytes);
        TMidiFile fromDisk;
        fromDisk.SetFilename(dir.File("song.mid"));
        std::string diskError;
        try {
            fromDisk.LoadFile();
        } catch (const EMidiFileError& e) {
            diskError = e.what();
        }
        EXPECT_EQ(diskError, memoryError);
        ASSERT_EQ(fromDisk.Tracks().size(), fromMemory.Tracks().size());
        for (std::size_t t = 0; t < fromDisk.Tracks().size(); ++t) {
            const TMidiTrack& a = fromDisk.Tracks()[t];
            const TMidiTrack& b = fromMemory.Tracks()[t];
            EXPECT_EQ(a.TrackName(), b.TrackName());
            EXPECT_EQ(a.InstrumentName(), b.InstrumentName());
            EXPECT_EQ(a.EventCount(), b.EventCount());
            EXPECT_EQ(a.CurrentTime, b.CurrentTime);
            if (memoryError.empty()) {
                EXPECT_TRUE(a.Events() == b.Events()) << "track " << t;
            }
        }
    }
    EXPECT_NE(ErrorOf(broken).find("0x95, a status byte"), std::string::npos) << ErrorOf(broken);
}

TSmfTrack BigTrack(std::uint8_t channel, int notes)
{
    TSmfTrack track;
    track.Event(0, {static_cast<std::uint8_t>(0x90 | channel), 1, 1});
    for (int i = 0; i < notes; ++i)
        track.Event(7, {static_cast<std::uint8_t>(i % 128), 64}).Event(5, {static_cast<std::uint8_t>(i % 128), 0});
    return track;
}

TEST(MidiFileReader, EachTrackReadsAsItDoesAloneAndTheLastTempoInFileOrderRules)
{
    TSmfTrack first = BigTrack(0, 3000);
    first.Meta(0, 0x03, "first").Tempo(0, 400000).EndOfTrack();
    std::vector<TSmfTrack> tracks{first, BigTrack(1, 3000), BigTrack(2, 3000)};
    tracks[2].Tempo(0, 300000).Meta(5, 0x01, std::string("a\0b", 3)).EndOfTrack();

    TMidiFile all;
    all.LoadBytes(SmfFile(1, 480, tracks));
    ASSERT_EQ(all.NumberOfTracks(), 3);
    EXPECT_EQ(all.Bpm(), 200) << "the last tempo in file order";
    for (int t = 0; t < 3; ++t) {
        TMidiFile alone;
        alone.LoadBytes(SmfFile(1, 480, {tracks[static_cast<std::size_t>(t)]}));
        const TMidiTrack& a = all.TrackAt(t);
        const TMidiTrack& b = alone.TrackAt(0);
        ASSERT_EQ(a.EventCount(), b.EventCount());
        EXPECT_EQ(a.TrackName(), b.TrackName());
        EXPECT_EQ(a.CurrentTime, b.CurrentTime);
        const std::vector<TMidiEvent> ea = a.Events();
        const std::vector<TMidiEvent> eb = b.Events();
        ASSERT_EQ(ea.size(), static_cast<std::size_t>(a.EventCount()));
        for (std::size_t i = 0; i < ea.size(); ++i) {
            const TMidiEvent& x = ea[i];
            const TMidiEvent& y = eb[i];
            ASSERT_TRUE(x.Status == y.Status && x.Data1 == y.Data1 && x.Data2 == y.Data2 && x.Time == y.Time &&
                        x.Duration == y.Duration)
                << "track " << t << " event " << i;
        }
    }
    const TMidiTrack& last = all.TrackAt(2);
    EXPECT_EQ(last.MetaData(last.EventCount() - 2), std::string("a\0b", 3));
    EXPECT_EQ(last.MetaData(last.EventCount() - 3), std::string("\x04\x93\xE0", 3)) << "tempo 300000";
    EXPECT_EQ(last.MetaData(0), "") << "no meta event";
}

TEST(MidiFileReader, TheFirstErrorInFileOrderWins)
{
    // Track 2 breaks off in the middle; track 3's zero tempo comes later.
    TSmfTrack broken = BigTrack(1, 30000);
    broken.Raw(std::string("\x00\x90\x3C", 3));
    TSmfTrack zeroTempo = BigTrack(2, 30000);
    zeroTempo.Raw(std::string("\x00\xFF\x51\x03\x00\x00\x00", 7));
    TMidiFile file;
    try {
        file.LoadBytes(SmfFile(1, 480, {BigTrack(0, 30000), broken, zeroTempo}));
        FAIL() << "no error";
    } catch (const EMidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find("chunk 3"), std::string::npos) << e.what();
    }
    ASSERT_EQ(file.Tracks().size(), 2u);
    EXPECT_EQ(file.Tracks()[1].EventCount(), 1 + 2 * 30000);

    // A tempo that cannot be applied (the division is 0) ends its track right
    // there: a note-on before it keeps no length from a note-off after it.
    TSmfTrack cut = BigTrack(3, 30000);
    cut.Event(0, {0x93, 100, 90}).Tempo(0, 500000).Event(10, {0x83, 100, 0});
    try {
        file.LoadBytes(SmfHeaderChunk(1, 2, 0) + SmfChunk("MTrk", BigTrack(0, 30000).Data()) +
                       SmfChunk("MTrk", cut.Data()));
        FAIL() << "no error";
    } catch (const EMidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find("0 ticks per quarter"), std::string::npos) << e.what();
    }
    ASSERT_EQ(file.Tracks().size(), 2u);
    const TMidiTrack& last = file.Tracks()[1];
    ASSERT_EQ(last.EventCount(), 1 + 2 * 30000 + 2);
    const std::vector<TMidiEvent> events = last.Events();
    EXPECT_EQ(events.back().Data1, 0x51);
    EXPECT_EQ(events[events.size() - 2].Duration, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConversionCommand.h"
#include "ConversionReport.h"
#include "SmfWriter.h"
#include "TempDir.h"
#include "TestDialogs.h"
#include "Text.h"

namespace {

using TLines = std::vector<std::string>;

class TNoControls final : public TConverterControls {
public:
    void SetConverterEnabled(bool) override {}
};

// Converts the bytes of a MIDI file with the Convert command, as the window
// and torem-convert do, and reports on the record's lists.
class ConversionReport : public ::testing::Test {
protected:
    TConversionReport Convert(const std::string& midi, std::uint16_t resolution = 1000)
    {
        WriteBytesToFile(dir.File("in.mid"), midi);
        settings.MidiFileName = dir.File("in.mid");
        settings.SeqFileName = dir.File("out.seq");
        settings.ResolutionMs = resolution;
        TMidiFile file;
        TTestDialogs dialogs;
        dialogs.answerYes = true;
        TNoControls controls;
        TConversionCommand command(settings, file, dialogs, controls);
        EXPECT_EQ(command.Execute(), TConversionOutcome::Written);
        if (!command.Report())
            throw std::runtime_error("no report of a written image");
        return *command.Report();
    }

    TTempDir dir;
    AppSettings settings;
};

// One of each loss at 1 s, in two tracks under three tempos (the last, 120
// beats per minute at 480 ticks per quarter note, makes 960 ticks a second).
std::string EveryKindOfLoss()
{
    TSmfTrack first;
    first.Tempo(0, 600000)
        .Event(0, {0x90, 50, 100})    // 0 to 900 ms, merged with the next note of output 50
        .Event(0, {0x92, 40, 90})     // channel 3
        .Event(864, {0x80, 50, 0})
        .Event(96, {0x90, 50, 100})   // 1000 to 2000 ms
        .Event(0, {0x90, 60, 80})     // 1000 to 2000 ms; the other track's note 60 ends there, later in the list
        .Tempo(0, 400000)
        .Event(48, {0x90, 30, 64})    // 1050 to 1400 ms: one slot
        .Event(336, {0x80, 30, 0})
        .Event(576, {0x80, 50, 0})
        .Event(0, {0x80, 60, 0})
        .Event(0, {0x82, 40, 0})
        .Event(960, {0x91, 20, 127})  // at 3000 ms, never closed
        .Event(0, {0x9F, 70, 1})      // channel 16
        .EndOfTrack();
    TSmfTrack second;
    second.Event(0, {0x90, 60, 80}).Event(864, {0x80, 60, 0}).Tempo(2016, 500000).EndOfTrack();
    return SmfFile(1, 480, {first, second});
}

TEST_F(ConversionReport, ListsExactlyTheNotesEachStepLeftOutOrChanged)
{
    const TConversionReport report = Convert(EveryKindOfLoss());
    EXPECT_EQ(ReportSummary(report.Summary, LanguageEnglish), "6 notes, 7 changes, 4 frames, 26 frame bytes");
    EXPECT_EQ(ReportLines(report, LanguageEnglish),
              (TLines{
                  "Notes on MIDI channels other than 1 and 2, left out: 2",
                  "  0:00:00.000  channel 3, note 40, track 1",
                  "  0:00:03.000  channel 16, note 70, track 1",
                  "Note-ons that no note-off closed, left out: 1",
                  "  0:00:03.000  output 148 (channel 2, note 20)",
                  "Notes that never switch their output on, their start and end falling on the same slot: 1",
                  "  0:00:02.000  output 30 (channel 1, note 30), from 0:00:01.050 to 0:00:01.400",
                  "Notes that never switch their output on, other notes of the same output taking their place: 1",
                  "  0:00:01.000  output 60 (channel 1, note 60), from 0:00:01.000 to 0:00:02.000",
                  "Notes merged with the next one on the same output: 1",
                  "  0:00:01.000  output 50 (channel 1, note 50), from 0:00:00.000 to 0:00:00.900",
                  "3 tempo events; 500000 µs per quarter note, the last, is used for the whole file",
                  "  0:00:00.000  track 1: 600000 µs per quarter note",
                  "  0:00:01.000  track 1: 400000 µs per quarter note",
                  "  0:00:03.000  track 2: 500000 µs per quarter note",
                  "Last change at 0:00:03.000, slot 3 of 65535; 26 frame bytes used of 32768",
              }));

    // The same in French, summary included.
    const TLines french = ReportLines(report, LanguageFrench);
    ASSERT_EQ(french.size(), 16u);
    EXPECT_EQ(ReportSummary(report.Summary, LanguageFrench), "6 notes, 7 changements, 4 trames, 26 octets de trames");
    EXPECT_EQ(french[0], "Notes des canaux Midi autres que 1 et 2, ignorées : 2");
    EXPECT_EQ(french[6], "  0:00:02.000  sortie 30 (canal 1, note 30), de 0:00:01.050 à 0:00:01.400");
    EXPECT_EQ(french[11], "3 événements de tempo ; 500000 µs par noire, le dernier, valent pour tout le fichier");
    EXPECT_EQ(french[15], "Dernier changement à 0:00:03.000, créneau 3 sur 65535 ; 26 octets de trames utilisés sur 32768");

    // The one line the window shows below its completion message.
    EXPECT_EQ(LossLine(report, LanguageEnglish),
              "Notes left out or merged: 4 of 6 notes (too short for the resolution: 1, hidden by other notes of their "
              "output: 1, never ended: 1, merged with the next one of their output: 1). Notes on MIDI channels other "
              "than 1 and 2, left out: 2. A finer resolution keeps more.");
    EXPECT_EQ(LossLine(report, LanguageFrench),
              "Notes omises ou fondues : 4 sur 6 notes (trop courtes pour la résolution : 1, masquées par d'autres "
              "notes de leur sortie : 1, jamais terminées : 1, fondues avec la suivante de leur sortie : 1). Notes des "
              "canaux Midi autres que 1 et 2, ignorées : 2. Une résolution plus fine en garde davantage.");
}

TEST_F(ConversionReport, AtAFinerResolutionOnlyWhatTheFileLacksIsLost)
{
    // At 100 ms no two changes of an output share a slot.
    const TLines lines = ReportLines(Convert(EveryKindOfLoss(), 100), LanguageEnglish);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[3], "Note-ons that no note-off closed, left out: 1");
    EXPECT_EQ(lines[5], "Notes that never switch their output on, their start and end falling on the same slot: 0");
    EXPECT_EQ(lines[6], "Notes that never switch their output on, other notes of the same output taking their place: 0");
    EXPECT_EQ(lines[7], "Notes merged with the next one on the same output: 0");
    EXPECT_EQ(lines.back(), "Last change at 0:00:03.000, slot 30 of 65535; 43 frame bytes used of 32768");
    EXPECT_EQ(LossLine(Convert(EveryKindOfLoss(), 100), LanguageEnglish),
              "Notes left out or merged: 1 of 6 notes (never ended: 1). Notes on MIDI channels other than 1 and 2, "
              "left out: 2.")
        << "no finer resolution to suggest";
}

TEST_F(ConversionReport, ListsTheEarliestTwentyOfAKindInTimeThenOutputOrderAndCountsTheRest)
{
    // 25 notes of 100 ms, two a second on outputs 11 and 10, the latest in
    // the first track: the list is in the order of the image, not the file's.
    // 25 frames of 40 ticks make a tick a millisecond.
    std::vector<TSmfTrack> tracks;
    for (int k = 24; k >= 0; --k) {
        const auto output = static_cast<std::uint8_t>(k % 2 == 0 ? 11 : 10);
        TSmfTrack track;
        track.Event(static_cast<std::uint32_t>(1000 * (1 + k / 2) + 200), {0x90, output, 64})
            .Event(100, {0x80, output, 0})
            .EndOfTrack();
        tracks.push_back(track);
    }
    const TLines lines = ReportLines(Convert(SmfFile(1, 0xE728, tracks)), LanguageEnglish);
    ASSERT_GE(lines.size(), 26u);
    EXPECT_EQ(lines[2], "Notes that never switch their output on, their start and end falling on the same slot: 25");
    const auto two = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    for (int i = 0; i < 20; ++i) {
        const int second = 1 + i / 2;
        const std::string output = std::to_string(10 + i % 2);
        EXPECT_EQ(lines[static_cast<std::size_t>(3 + i)],
                  "  0:00:" + two(second + 1) + ".000  output " + output + " (channel 1, note " + output +
                      "), from 0:00:" + two(second) + ".200 to 0:00:" + two(second) + ".300")
            << i;
    }
    EXPECT_EQ(lines[23], "  ... and 5 more");
    EXPECT_EQ(lines[24], "Notes that never switch their output on, other notes of the same output taking their place: 0");
}

TEST_F(ConversionReport, TellsTheTempoUsedAndTheSmpteDivision)
{
    TSmfTrack note;
    note.Event(1920, {0x90, 10, 127}).Event(960, {10, 0}).EndOfTrack();
    TConversionReport report = Convert(SmfFile(0, 480, {note}));
    TLines lines = ReportLines(report, LanguageEnglish);
    EXPECT_EQ(lines[lines.size() - 2],
              "No tempo event; 500000 µs per quarter note, the default, is used for the whole file");
    // Nothing changes at 0: the image holds an empty first frame all the same.
    EXPECT_EQ(ReportSummary(report.Summary, LanguageEnglish),
              "1 note, 2 changes, 3 frames (the first one empty), 13 frame bytes");
    EXPECT_EQ(ReportSummary(report.Summary, LanguageFrench),
              "1 note, 2 changements, 3 trames (la première vide), 13 octets de trames");

    TSmfTrack tempo;
    tempo.Tempo(0, 250000).Event(0, {0x90, 10, 127}).Event(960, {10, 0}).EndOfTrack();
    lines = ReportLines(Convert(SmfFile(0, 480, {tempo})), LanguageEnglish);
    EXPECT_EQ(lines[lines.size() - 2], "1 tempo event; 250000 µs per quarter note is used for the whole file");
    EXPECT_EQ(lines.back(), "Last change at 0:00:01.000, slot 1 of 65535; 10 frame bytes used of 32768");

    // 25 frames of 40 ticks: no tempo counts; only a channel 5 note, so no change.
    TSmfTrack smpte;
    smpte.Tempo(0, 240000).Event(0, {0x94, 10, 127}).Event(1200, {10, 0}).EndOfTrack();
    report = Convert(SmfFile(0, 0xE728, {smpte}));
    EXPECT_EQ(ReportSummary(report.Summary, LanguageEnglish), "0 notes, 0 changes, 1 frame, 3 frame bytes");
    EXPECT_EQ(ReportSummary(report.Summary, LanguageFrench), "0 note, 0 changement, 1 trame, 3 octets de trames");
    lines = ReportLines(report, LanguageEnglish);
    EXPECT_EQ(lines[0], "Notes on MIDI channels other than 1 and 2, left out: 1");
    EXPECT_EQ(lines[1], "  0:00:00.000  channel 5, note 10, track 1");
    EXPECT_EQ(lines[lines.size() - 2],
              "Tempo events: 1, none used: the time division is SMPTE, 25 frames per second, 40 ticks per frame");
    EXPECT_EQ(lines.back(), "No output change; 3 frame bytes used of 32768");
    EXPECT_EQ(CompletionText(report, LanguageEnglish),
              "Process done...\n0 notes, 0 changes, 1 frame, 3 frame bytes\nNo note on MIDI channels 1 and 2: the "
              "sequence switches no output on. Notes on MIDI channels other than 1 and 2, left out: 1.");
    EXPECT_EQ(LossLine(Convert(SmfFile(0, 480, {tempo})), LanguageEnglish), "") << "nothing lost, nothing said";
}

TEST_F(ConversionReport, AVelocityZeroNoteOnThatClosesNothingIsNoLostNote)
{
    TSmfTrack track;
    track.Event(0, {0x90, 10, 0}).Event(960, {0x90, 11, 100}).Event(960, {0x80, 11, 0}).EndOfTrack();
    const TLines lines = ReportLines(Convert(SmfFile(0, 480, {track})), LanguageEnglish);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("output 10"), std::string::npos) << line;
    EXPECT_EQ(lines[1], "Note-ons that no note-off closed, left out: 0");
}

}  // namespace

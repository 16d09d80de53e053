#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "ConversionCommand.h"
#include "FileRuleCases.h"
#include "SeqFile.h"
#include "SmfWriter.h"
#include "TempDir.h"
#include "TestDialogs.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif
#include "Text.h"

namespace {

using Kind = TTestDialogs::Kind;

class TRecordingControls : public TConverterControls {
public:
    void SetConverterEnabled(bool enabled) override { states.push_back(enabled); }
    std::vector<bool> states;
};

class ConvertCommand : public ::testing::Test {
protected:
    ConvertCommand()
    {
        TSmfTrack track;
        track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(1152, {10, 0}).EndOfTrack();  // 0 to 1200 ms
        WriteBytesToFile(dir.File("song.mid"), SmfFile(0, 480, {track}));
        settings.MidiFileName = dir.File("song.mid");
        settings.SeqFileName = dir.File("song.seq");
        settings.ResolutionMs = 500;
    }

    TConversionOutcome Run()
    {
        controls.states.clear();
        TConversionOutcome outcome{};
        try {
            outcome = command_.Execute();
        } catch (...) {
            EXPECT_EQ(controls.states, (std::vector<bool>{false, true})) << "controls enabled again";
            throw;
        }
        EXPECT_EQ(controls.states, (std::vector<bool>{false, true})) << "controls enabled again";
        return outcome;
    }

    std::string Message(MessageEntry entry) const { return Text(entry, settings.LanguageIndex); }

    // Converts song.mid into output: the error or warning, empty when written.
    std::string ConvertTo(const std::string& output, bool replace)
    {
        settings.SeqFileName = output;
        dialogs.answerYes = replace;
        dialogs.shown.clear();
        try {
            const TConversionOutcome outcome = Run();
            return outcome == TConversionOutcome::Written ? "" : "outcome " + std::to_string(static_cast<int>(outcome));
        } catch (const ESeqFileError& e) {
            EXPECT_TRUE(dialogs.shown.empty()) << "refused before anything is asked or said";
            return e.what();
        }
    }

    TTempDir dir;
    AppSettings settings;
    TMidiFile midiFile;
    TTestDialogs dialogs;
    TRecordingControls controls;
    TConversionCommand command_{settings, midiFile, dialogs, controls};
};

TEST_F(ConvertCommand, WritesTheImageAndSaysSo)
{
    EXPECT_EQ(Run(), TConversionOutcome::Written);
    const std::string image = ReadFileBytes(settings.SeqFileName);
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(image.substr(32768, 10), std::string("\x00\x03\x01\x0A\xFF\x00\x00\x01\x0A\x00", 10));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, Kind::Information);
    EXPECT_EQ(dialogs.shown[0].text, "Process done...\n1 note, 2 changes, 2 frames, 10 frame bytes");
    EXPECT_EQ(dialogs.buttons, std::vector<std::string>{"&Show the report"});
    EXPECT_FALSE(command_.ReportAsked());
    dialogs.chooseButton = true;
    dialogs.answerYes = true;
    Run();
    EXPECT_TRUE(command_.ReportAsked());
}

TEST_F(ConvertCommand, MissingNamesAreReportedBeforeAnythingIsRead)
{
    settings.MidiFileName.clear();
    settings.SeqFileName.clear();
    EXPECT_EQ(Run(), TConversionOutcome::MidiFileMissing);
    EXPECT_EQ(dialogs.TextsOf(Kind::Warning), (std::vector<std::string>{"Midi file location or Midi file does not exist..."}));

    // A name through a file, as if it were a folder.
    settings.MidiFileName = dir.File("song.mid") + "/song.mid";
    settings.LanguageIndex = LanguageFrench;
    dialogs.shown.clear();
    EXPECT_EQ(Run(), TConversionOutcome::MidiFileMissing);
    EXPECT_EQ(dialogs.TextsOf(Kind::Warning), (std::vector<std::string>{"Le fichier Midi ou son emplacement n'existe pas..."}));

    // A MIDI file but no sequence file: the MIDI file is not even loaded.
    settings.MidiFileName = dir.File("song.mid");
    dialogs.shown.clear();
    EXPECT_EQ(Run(), TConversionOutcome::SeqFileMissing);
    EXPECT_EQ(dialogs.TextsOf(Kind::Warning), (std::vector<std::string>{"Le fichier Séquence doit être assigné..."}));
    EXPECT_EQ(midiFile.NumberOfTracks(), 0);
}

TEST_F(ConvertCommand, AnExistingFileIsReplacedOnlyOnYes)
{
    WriteFileBytes(settings.SeqFileName, "keep me");
    EXPECT_EQ(Run(), TConversionOutcome::Declined);
    EXPECT_EQ(ReadFileBytes(settings.SeqFileName), "keep me");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, Kind::Confirmation);
    EXPECT_EQ(dialogs.shown[0].text, settings.SeqFileName + " already exists. Do you want to replace this file?");
    // The lists were rebuilt all the same.
    EXPECT_EQ(settings.ContactEvents.size(), 2u);

    dialogs.shown.clear();
    dialogs.answerYes = true;
    settings.LanguageIndex = LanguageFrench;
    EXPECT_EQ(Run(), TConversionOutcome::Written);
    EXPECT_EQ(ReadFileBytes(settings.SeqFileName).size(), 65536u);
    EXPECT_EQ(dialogs.TextsOf(Kind::Confirmation),
              (std::vector<std::string>{settings.SeqFileName + " existe déjà. Voulez-vous remplacer ce fichier?"}));
    EXPECT_EQ(dialogs.TextsOf(Kind::Information),
              (std::vector<std::string>{"Processus terminé...\n1 note, 2 changements, 2 trames, 10 octets de trames"}));
}

TEST_F(ConvertCommand, ThirtyTwoMiBOfEmptyTracksConvertWithinFiveTimesTheirSize)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork and a limit on the address space";
#else
    // The smallest track chunks there are, as many as fit: a record for
    // each, of 32 bytes, four times the chunk.
    const std::size_t tracks = (TMidiFile::MaxFileBytes - 14) / 8;
    std::string bytes = SmfHeaderChunk(1, 65535, 480);
    bytes.reserve(TMidiFile::MaxFileBytes);
    for (std::size_t i = 0; i < tracks; ++i)
        bytes.append("MTrk\0\0\0\0", 8);
    WriteBytesToFile(settings.MidiFileName, bytes);
    const TChildEnd end = RunInChild(
        [&] {
            return TConversionCommand(settings, midiFile, dialogs, controls).Execute() ==
                           TConversionOutcome::Written &&
                           midiFile.NumberOfTracks() == static_cast<std::int32_t>(tracks)
                       ? 0
                       : 2;
        },
        TChildOptions{.MoreMemory = 5 * TMidiFile::MaxFileBytes});
    EXPECT_EQ(end.ExitCode, 0) << "ended by signal " << end.Signal;
#endif
}

TEST_F(ConvertCommand, ReaderAndWriterErrorsPassThroughAndWriteNothing)
{
    WriteBytesToFile(settings.MidiFileName, SmfHeaderChunk(0, 1, 480) + "MTrk");
    EXPECT_THROW(Run(), EMidiFileError);
    EXPECT_FALSE(std::filesystem::exists(settings.SeqFileName));
    EXPECT_TRUE(dialogs.shown.empty());

    TSmfTrack track;
    track.Event(0, {0x90, 1, 1});
    WriteBytesToFile(settings.MidiFileName, SmfFile(0, 480, {track}));
    settings.SeqFileName = dir.File("no/such/folder/song.seq");
    EXPECT_THROW(Run(), ESeqFileError);
    EXPECT_TRUE(dialogs.shown.empty()) << "no completion message after a failed write";
}

TEST_F(ConvertCommand, ImagesThatCannotFitAreRefusedWithTheirNumbersBeforeTheReplaceQuestion)
{
    WriteFileBytes(settings.SeqFileName, "keep me");
    dialogs.answerYes = true;
    const auto refused = [&](const std::vector<TSmfTrack>& tracks, std::uint16_t resolution, TConversionOutcome outcome,
                             MessageEntry entry, const std::string& numbers, const std::vector<std::uint16_t>& fitsAt) {
        WriteBytesToFile(settings.MidiFileName, SmfFile(1, 480, tracks));
        settings.ResolutionMs = resolution;
        dialogs.shown.clear();
        EXPECT_EQ(Run(), outcome);
        const std::string fits = fitsAt.empty() ? "It fits at no resolution." : "It fits at a resolution of 250, 500 or 1000 ms.";
        EXPECT_EQ(dialogs.TextsOf(Kind::Warning), std::vector<std::string>{Message(entry) + "\n" + numbers + "\n" + fits});
        EXPECT_TRUE(dialogs.TextsOf(Kind::Confirmation).empty());
        EXPECT_EQ(ReadFileBytes(settings.SeqFileName), "keep me");
        // The report tells of the refused file; the numbers are the command's.
        ASSERT_TRUE(command_.Refusal() && command_.Report());
        EXPECT_EQ(command_.Refusal()->FitsAt, fitsAt);
        EXPECT_EQ(command_.Report()->Summary.Frames, 0u) << "no image was built";
    };

    // A note at 6554 s: slot 65541 at 100 ms, but slot 6554 at 1 s is fine.
    TSmfTrack late;
    late.Event(0, {0x90, 1, 1}).Event(10, {1, 0}).Event(6554u * 960, {0x90, 2, 1}).Event(10, {2, 0});
    refused({late}, 100, TConversionOutcome::TooLongForResolution, MessageEntry::TooLongForResolution,
            "Its last change falls on slot 65541, at 1:49:14.100: the image ends at slot 65535.", {250, 500, 1000});

    // All 256 outputs switched on at one time, whatever the resolution.
    TSmfTrack one, two;
    for (int n = 0; n < 128; ++n) {
        one.Event(0, {0x90, static_cast<std::uint8_t>(n), 100});
        two.Event(0, {0x91, static_cast<std::uint8_t>(n), 100});
    }
    one.Event(960, {0x80, 0, 0});
    refused({one, two}, 1000, TConversionOutcome::TooManyChangesAtOnce, MessageEntry::TooManyChanges,
            "All 256 outputs change at 0:00:00.000: a frame holds at most 255 changes.", {});

    // 20000 changes cannot fit the 32768 bytes of frames: 3 + 20000 x (3 + 2).
    TSmfTrack busy;
    for (int i = 0; i < 10000; ++i)
        busy.Event(480, {0x90, static_cast<std::uint8_t>(i % 100), 100}).Event(240, {0x80, static_cast<std::uint8_t>(i % 100), 0});
    refused({busy}, 100, TConversionOutcome::DoesNotFit, MessageEntry::DoesNotFit,
            "Its frames need 100003 bytes: the image holds 32768.", {});

    // Fewer changes at distinct times whose frames still overflow the block.
    TSmfTrack spread;
    for (int i = 0; i < 4000; ++i)
        spread.Event(96, {0x90, 5, 100}).Event(96, {0x80, 5, 0});
    refused({spread}, 100, TConversionOutcome::DoesNotFit, MessageEntry::DoesNotFit,
            "Its frames need 40003 bytes: the image holds 32768.", {250, 500, 1000});
    settings.LanguageIndex = LanguageFrench;
    settings.ResolutionMs = 100;
    Run();
    EXPECT_EQ(dialogs.TextsOf(Kind::Warning).back(), "La séquence ne tient pas dans la mémoire du dispositif...\n"
                                                     "Ses trames demandent 40003 octets : l'image en contient 32768.\n"
                                                     "Il tient avec une résolution de 250, 500 ou 1000 ms.");
}

}  // namespace

namespace {

TEST_F(ConvertCommand, RefusesOutputsThatAreNoRegularFileOrTheMidiFileItself)
{
    ExpectBadOutputsRefused(dir, [&](const std::string& output, bool replace) { return ConvertTo(output, replace); });
}

TEST_F(ConvertCommand, FollowsLinksAndKeepsModeAndOwnerOfWhatItReplaces)
{
    ExpectCarefulWrites(dir, [&](const std::string& output, bool replace) { return ConvertTo(output, replace); });
}

TEST_F(ConvertCommand, RefusesInputsThatAreNoStandardMidiFileAtOnceAndNamesThem)
{
    ExpectBadInputsRefused(dir, [&](const std::string& input) -> std::string {
        settings.MidiFileName = input;
        try {
            Run();
        } catch (const EMidiFileError& e) {
            EXPECT_FALSE(std::filesystem::exists(settings.SeqFileName));
            return e.what();
        }
        return "";
    });
}

TEST_F(ConvertCommand, ATrackPastThirtyTwoBitsOfTicksIsTooLongForTheResolution)
{
    TSmfTrack late;
    late.Event(0, {0x90, 1, 1}).Event(0xFFFFFFF, {1, 0});
    for (int i = 0; i < 16; ++i)
        late.Event(0xFFFFFFF, {0xFE});
    WriteBytesToFile(settings.MidiFileName, SmfFile(0, 480, {late}));
    EXPECT_EQ(Run(), TConversionOutcome::TooLongForResolution);
    EXPECT_EQ(dialogs.TextsOf(Kind::Warning),
              (std::vector<std::string>{Message(MessageEntry::TooLongForResolution) + "\nIt fits at no resolution."}));
    EXPECT_FALSE(std::filesystem::exists(settings.SeqFileName));
}

TEST_F(ConvertCommand, SmpteTimedFilesConvertInFramesWhateverTheTempo)
{
    // 25 frames of 40 ticks: a tick is a millisecond. The note from 0 to
    // 1200 ms gives the image of the 500 ms example; the tempo event, which
    // would make a tick 2 ms at 120 ticks per quarter, changes nothing.
    TSmfTrack track;
    track.Tempo(0, 240000).Event(0, {0x90, 10, 127}).Event(1200, {10, 0}).EndOfTrack();
    WriteBytesToFile(settings.MidiFileName, SmfFile(0, 0xE728, {track}));
    EXPECT_EQ(Run(), TConversionOutcome::Written);
    const std::string image = ReadFileBytes(settings.SeqFileName);
    EXPECT_EQ(image.substr(32, 3), std::string("\x00\x0A\x03", 3));
    EXPECT_EQ(image.substr(32768, 10), std::string("\x00\x03\x01\x0A\xFF\x00\x00\x01\x0A\x00", 10));

    // 29.97 frames of 30 ticks: 899.1 ticks a second. 8991 ticks are 10 s
    // exactly, 8990 a little less, raised to the same second at 1 s; 8992
    // go past it.
    const auto offAt = [&](std::uint32_t ticks) {
        TSmfTrack t;
        t.Event(0, {0x90, 10, 127}).Event(ticks, {10, 0});
        WriteBytesToFile(settings.MidiFileName, SmfFile(0, 0xE31E, {t}));
        settings.ResolutionMs = 1000;
        dialogs.answerYes = true;
        EXPECT_EQ(Run(), TConversionOutcome::Written);
        return settings.ContactEvents.back().TimeMs;
    };
    EXPECT_EQ(offAt(8990), 10000u);
    EXPECT_EQ(offAt(8991), 10000u);
    EXPECT_EQ(offAt(8992), 11000u);
}

TEST_F(ConvertCommand, ALargeFileConvertsWithinLittleMoreMemoryThanItsNotesTake)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork and a limit on the address space";
#else
    // Eight tracks of 4 MiB of notes, just under the size limit: 5.5 million
    // notes of 12 bytes (63 MiB) in the record's list, a track at a time read.
    const std::string bytes = DenseSmf(5500000, 8, 60);
    ASSERT_LT(bytes.size(), TMidiFile::MaxFileBytes);
    ASSERT_GT(bytes.size(), TMidiFile::MaxFileBytes - (1u << 20));
    WriteBytesToFile(settings.MidiFileName, bytes);
    settings.ResolutionMs = 1000;

    const TChildEnd end = RunInChild(
        [&] {
            try {
                return TConversionCommand(settings, midiFile, dialogs, controls).Execute() ==
                               TConversionOutcome::Written
                           ? 0
                           : 2;
            } catch (const std::exception& e) {
                std::cerr << "child saw: " << e.what() << '\n';
                return 3;
            }
        },
        TChildOptions{.MoreMemory = std::uint64_t{80} << 20});
    EXPECT_EQ(end.ExitCode, 0) << "ended by signal " << end.Signal;
    EXPECT_EQ(ReadFileBytes(settings.SeqFileName).size(), 65536u);
#endif
}

}  // namespace

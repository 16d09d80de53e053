#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FileRuleCases.h"
#include "ProgramRun.h"
#include "SmfWriter.h"
#include "TempDir.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif

namespace {

class ConvertTool : public ::testing::Test {
protected:
    ConvertTool()
    {
        TSmfTrack track;
        track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(1152, {10, 0}).EndOfTrack();
        WriteBytesToFile(dir.File("song.mid"), SmfFile(0, 480, {track}));
    }

    TProgramResult Run(std::vector<std::string> arguments)
    {
        TProgramOptions options;
        options.Arguments = std::move(arguments);
        return RunProgram(TOREM_CONVERT_PATH, options);
    }

#ifndef _WIN32
    // Runs a shell command line, its output and errors caught.
    TProgramResult RunShell(const std::string& line)
    {
        const std::string command = "(" + line + ") >'" + dir.File("out.txt") + "' 2>'" + dir.File("err.txt") + "'";
        const int status = std::system(command.c_str());
        TProgramResult run;
        run.ExitCode = ShellExitCode(status);
        run.Out = ReadFileBytes(dir.File("out.txt"));
        run.Err = ReadFileBytes(dir.File("err.txt"));
        return run;
    }

    std::string Quoted(const std::string& name) { return "'" + dir.File(name) + "'"; }
#endif

    std::string File(const std::string& name) { return dir.File(name); }

    // The error torem-convert reports, empty when it wrote the image.
    std::string ErrorOf(std::vector<std::string> arguments)
    {
        const TProgramResult run = Run(std::move(arguments));
        return run.ExitCode == 0 ? "" : run.Err;
    }

    // Converts song.mid into output, replacing it only when told.
    std::string ErrorOfConvertingTo(const std::string& output, bool replace)
    {
        if (replace)
            return ErrorOf({"--force", File("song.mid"), output});
        return ErrorOf({File("song.mid"), output});
    }

    TTempDir dir;
};

TEST_F(ConvertTool, ConvertsAndSummarisesOnOneLine)
{
    const TProgramResult run = Run({"-r", "500", File("song.mid"), File("song.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Process done... 1 note, 2 changes, 2 frames, 10 frame bytes\n");
    EXPECT_EQ(run.Err, "");
    const std::string image = ReadFileBytes(dir.File("song.seq"));
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(image[34], 3);

    EXPECT_EQ(Run({"--resolution=100", File("song.mid"), File("b.seq")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("b.seq"))[34], 1);
    EXPECT_EQ(Run({File("song.mid"), File("c.seq")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("c.seq"))[34], 4) << "1 s by default";
}

TEST_F(ConvertTool, NamesOutsideTheCodePageConvertToTheSameImageAndAreToldAsGiven)
{
    // Ωmega.mid and Ωmega ✓.seq: on Windows neither fits the ANSI code page.
    const std::string midi = File("\xCE\xA9mega.mid");
    const std::string seq = File("\xCE\xA9mega \xE2\x9C\x93.seq");
    WriteFileBytes(midi, ReadFileBytes(File("song.mid")));
    TProgramResult run = Run({"-r", "500", midi, seq});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    ASSERT_EQ(Run({"-r", "500", File("song.mid"), File("song.seq")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(seq), ReadFileBytes(File("song.seq")));

    run = Run({midi, seq});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-convert: " + seq + " already exists; use --force to replace it\n");
}

TEST_F(ConvertTool, TheReportFollowsTheSummaryWhenAskedFor)
{
    const TProgramResult run = Run({"--report", "-r", "500", File("song.mid"), File("song.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Process done... 1 note, 2 changes, 2 frames, 10 frame bytes\n"
                       "Notes on MIDI channels other than 1 and 2, left out: 0\n"
                       "Note-ons that no note-off closed, left out: 0\n"
                       "Notes that never switch their output on, their start and end falling on the same slot: 0\n"
                       "Notes that never switch their output on, other notes of the same output taking their place: 0\n"
                       "Notes merged with the next one on the same output: 0\n"
                       "1 tempo event; 500000 µs per quarter note is used for the whole file\n"
                       "Last change at 0:00:01.500, slot 3 of 65535; 10 frame bytes used of 32768\n");

    // No image, no report.
    const TProgramResult declined = Run({File("song.mid"), "--report", File("song.seq")});
    EXPECT_EQ(declined.ExitCode, 1);
    EXPECT_EQ(declined.Out, "");
}

TEST_F(ConvertTool, WithoutAnOutputNameTheSequenceGoesBesideTheMidiFileUnderTheSameRules)
{
    EXPECT_EQ(Run({File("song.mid")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(File("song.seq")).size(), 65536u);
    TProgramResult run = Run({File("song.mid")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-convert: " + File("song.seq") + " already exists; use --force to replace it\n");
    EXPECT_EQ(Run({"--force", "-r", "100", File("song.mid")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(File("song.seq"))[34], 1);

    // The extension, whatever it is, makes way for .seq; a name without one takes it.
    WriteFileBytes(File("tune.MIDI"), ReadFileBytes(File("song.mid")));
    WriteFileBytes(File("tune"), ReadFileBytes(File("song.mid")));
    EXPECT_EQ(Run({File("tune.MIDI")}).ExitCode, 0);
    EXPECT_EQ(Run({"-f", File("tune")}).ExitCode, 0) << "tune.seq is there already";
    EXPECT_TRUE(std::filesystem::exists(File("tune.seq")));
}

TEST_F(ConvertTool, LostNotesAreCountedOnStderrAndTheExitStatusStaysZero)
{
    // At 1 s the second note starts and ends in the same slot.
    TSmfTrack track;
    track.Event(0, {0x90, 10, 127}).Event(960, {10, 0}).Event(48, {0x90, 11, 64}).Event(96, {11, 0}).EndOfTrack();
    WriteBytesToFile(File("short.mid"), SmfFile(0, 480, {track}));
    TProgramResult run = Run({File("short.mid")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out, "Process done... 2 notes, 3 changes, 3 frames, 15 frame bytes\n");
    EXPECT_EQ(run.Err, "torem-convert: Notes left out or merged: 1 of 2 notes (too short for the resolution: 1). "
                       "A finer resolution keeps more.\n");
    EXPECT_EQ(Run({"-f", "-r", "100", File("short.mid")}).Err, "");

    // A file of drums alone makes an empty sequence, and says so.
    TSmfTrack drums;
    drums.Event(0, {0x99, 36, 100}).Event(480, {36, 0}).EndOfTrack();
    WriteBytesToFile(File("drums.mid"), SmfFile(0, 480, {drums}));
    run = Run({File("drums.mid")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "torem-convert: No note on MIDI channels 1 and 2: the sequence switches no output on. "
                       "Notes on MIDI channels other than 1 and 2, left out: 1.\n");

    // A refusal gives its numbers and the resolutions that would do.
    TSmfTrack late;
    late.Event(0, {0x90, 1, 1}).Event(6554u * 960, {1, 0}).EndOfTrack();
    WriteBytesToFile(File("late.mid"), SmfFile(0, 480, {late}));
    run = Run({"-r", "100", File("late.mid")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-convert: " + File("late.mid") + ": The Midi file is too long for this resolution...\n"
                       "  Its last change falls on slot 65540, at 1:49:14.000: the image ends at slot 65535.\n"
                       "  It fits at a resolution of 250, 500 or 1000 ms.\n");
}

TEST_F(ConvertTool, AnExistingOutputIsReplacedOnlyWithForce)
{
    WriteFileBytes(dir.File("song.seq"), "keep me");
    TProgramResult run = Run({File("song.mid"), File("song.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("--force"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(ReadFileBytes(dir.File("song.seq")), "keep me");

    run = Run({"-f", File("song.mid"), File("song.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(dir.File("song.seq")).size(), 65536u);
}

TEST_F(ConvertTool, ErrorsExitWithOneAndLeaveTheOutputAlone)
{
    TProgramResult run = Run({File("none.mid"), File("x.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("Midi file location or Midi file does not exist..."), std::string::npos) << run.Err;

    WriteBytesToFile(dir.File("bad.mid"), SmfHeaderChunk(0, 1, 480) + "MTrk\x00\x00\x00\x10");
    WriteFileBytes(dir.File("keep.seq"), "keep me");
    run = Run({"--force", File("bad.mid"), File("x.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("bad.mid"), std::string::npos) << run.Err;
    run = Run({"--force", File("bad.mid"), File("keep.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("keep.seq")), "keep me");

    run = Run({"--force", File("song.mid"), File("missing/x.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("x.seq"), std::string::npos) << run.Err;

    EXPECT_FALSE(std::filesystem::exists(dir.File("x.seq")));
}

TEST_F(ConvertTool, RefusesOutputsThatAreNoRegularFileOrTheMidiFileItself)
{
    ExpectBadOutputsRefused(dir, [&](const std::string& output, bool replace) {
        return ErrorOfConvertingTo(output, replace);
    });
}

TEST_F(ConvertTool, FollowsLinksAndKeepsModeAndOwnerOfWhatItReplaces)
{
    ExpectCarefulWrites(dir, [&](const std::string& output, bool replace) {
        return ErrorOfConvertingTo(output, replace);
    });
}

TEST_F(ConvertTool, RefusesInputsThatAreNoStandardMidiFileAtOnceAndNamesThem)
{
    ExpectBadInputsRefused(dir, [&](const std::string& input) {
        const std::string error = ErrorOf({input, File("out.seq")});
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.seq")));
        return error;
    });
}

TEST_F(ConvertTool, WarningsNameTheMidiFileTheyAreAbout)
{
    const std::string missing = dir.File("missing.mid");
    EXPECT_EQ(Run({missing, File("out.seq")}).Err,
              "torem-convert: " + missing + ": Midi file location or Midi file does not exist...\n");
#ifndef _WIN32  // only a privileged user may make symbolic links on Windows
    std::filesystem::create_symlink("nowhere.mid", dir.File("dangling.mid"));
    EXPECT_EQ(Run({File("dangling.mid"), File("out.seq")}).Err,
              "torem-convert: " + File("dangling.mid") + ": Midi file location or Midi file does not exist...\n");
#endif

    TSmfTrack late;  // past 2^32 - 1 ticks
    late.Event(0, {0x90, 1, 1}).Event(0xFFFFFFF, {1, 0});
    for (int i = 0; i < 16; ++i)
        late.Event(0xFFFFFFF, {0xFE});
    WriteBytesToFile(dir.File("late.mid"), SmfFile(0, 480, {late}));
    EXPECT_EQ(Run({File("late.mid"), File("out.seq")}).Err, "torem-convert: " + dir.File("late.mid") +
                                                                ": The Midi file is too long for this resolution...\n"
                                                                "  It fits at no resolution.\n");
    EXPECT_EQ(Run({File("song.mid"), ""}).Err, "torem-convert: Sequence file must be assigned...\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.seq")));
}

TEST_F(ConvertTool, RunningOutOfMemoryGivesAnErrorAndExitCode)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs a shell's ulimit to bound the program's memory";
#else
    // Eight tracks of 4 MiB of notes, just under the size limit.
    WriteBytesToFile(dir.File("large.mid"), DenseSmf(5500000, 8, 60));
    // The least memory, in MiB steps, in which the small file converts; the
    // large one needs its list of notes (12 bytes a note, 63 MiB) on top.
    const auto within = [&](int mib, const std::string& midi) {
        return RunShell("ulimit -v " + std::to_string(mib * 1024) + "; exec '" + TOREM_CONVERT_PATH + "' -f " +
                        Quoted(midi) + " " + Quoted("out.seq"));
    };
    int least = 1;
    while (least < 256 && within(least, "song.mid").ExitCode != 0)
        ++least;
    ASSERT_LT(least, 256);
    const TProgramResult tight = within(least, "large.mid");
    EXPECT_EQ(tight.ExitCode, 1);
    EXPECT_EQ(tight.Err, "torem-convert: Not enough memory to convert the MIDI file " + dir.File("large.mid") + "\n");
    EXPECT_EQ(within(least + 80, "large.mid").ExitCode, 0) << "80 MiB more are enough for 5.5 million notes";
#endif
}

TEST_F(ConvertTool, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> mistakes{
        {"-r", "300", "a.mid", "b.seq"}, {"-r"}, {"--force"}, {"a.mid", "b.seq", "c.seq"}, {"--fast", "a.mid", "b.seq"}};
    for (const std::vector<std::string>& args : mistakes) {
        const TProgramResult run = Run(args);
        EXPECT_EQ(run.ExitCode, 2) << args.front();
        EXPECT_NE(run.Err.find("\nTry 'torem-convert --help'.\n"), std::string::npos) << args.front();
    }
    const TProgramResult help = Run({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("--resolution"), std::string::npos);
}

}  // namespace

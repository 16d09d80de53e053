#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "FileRuleCases.h"
#include "SmfWriter.h"
#include "TempDir.h"

namespace {

struct TRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class ConvertTool : public ::testing::Test {
protected:
    ConvertTool()
    {
        TSmfTrack track;
        track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(1152, {10, 0}).EndOfTrack();
        WriteBytesToFile(dir.File("song.mid"), SmfFile(0, 480, {track}));
    }

    TRun Run(const std::string& args) { return RunShell(std::string("'") + TOREM_CONVERT_PATH + "' " + args); }

    // Runs a shell command line, its output and errors caught.
    TRun RunShell(const std::string& line)
    {
        const std::string command = "(" + line + ") >'" + dir.File("out.txt") + "' 2>'" + dir.File("err.txt") + "'";
        const int status = std::system(command.c_str());
        TRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFileBytes(dir.File("out.txt"));
        run.err = ReadFileBytes(dir.File("err.txt"));
        return run;
    }

    std::string Quoted(const std::string& name) { return "'" + dir.File(name) + "'"; }

    // The error torem-convert reports, empty when it wrote the image.
    std::string ErrorOf(const std::string& args)
    {
        const TRun run = Run(args);
        return run.exitCode == 0 ? "" : run.err;
    }

    TTempDir dir;
};

TEST_F(ConvertTool, ConvertsAndSummarisesOnOneLine)
{
    const TRun run = Run("-r 500 " + Quoted("song.mid") + " " + Quoted("song.seq"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Process done... 1 note, 2 changes, 2 frames, 10 frame bytes\n");
    EXPECT_EQ(run.err, "");
    const std::string image = ReadFileBytes(dir.File("song.seq"));
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(image[34], 3);

    EXPECT_EQ(Run("--resolution=100 " + Quoted("song.mid") + " " + Quoted("b.seq")).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("b.seq"))[34], 1);
    EXPECT_EQ(Run(Quoted("song.mid") + " " + Quoted("c.seq")).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("c.seq"))[34], 4) << "1 s by default";
}

TEST_F(ConvertTool, TheReportFollowsTheSummaryWhenAskedFor)
{
    const TRun run = Run("--report -r 500 " + Quoted("song.mid") + " " + Quoted("song.seq"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Process done... 1 note, 2 changes, 2 frames, 10 frame bytes\n"
                       "Notes on MIDI channels other than 1 and 2, left out: 0\n"
                       "Note-ons that no note-off closed, left out: 0\n"
                       "Notes that never switch their output on, their start and end falling on the same slot: 0\n"
                       "Notes that never switch their output on, other notes of the same output taking their place: 0\n"
                       "Notes merged with the next one on the same output: 0\n"
                       "1 tempo event; 500000 µs per quarter note is used for the whole file\n"
                       "Last change at 0:00:01.500, slot 3 of 65535; 10 frame bytes used of 32768\n");

    // No image, no report.
    const TRun declined = Run(Quoted("song.mid") + " --report " + Quoted("song.seq"));
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.out, "");
}

TEST_F(ConvertTool, AnExistingOutputIsReplacedOnlyWithForce)
{
    WriteFileBytes(dir.File("song.seq"), "keep me");
    TRun run = Run(Quoted("song.mid") + " " + Quoted("song.seq"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFileBytes(dir.File("song.seq")), "keep me");

    run = Run("-f " + Quoted("song.mid") + " " + Quoted("song.seq"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(dir.File("song.seq")).size(), 65536u);
}

TEST_F(ConvertTool, ErrorsExitWithOneAndLeaveTheOutputAlone)
{
    TRun run = Run(Quoted("none.mid") + " " + Quoted("x.seq"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Midi file location or Midi file does not exist..."), std::string::npos) << run.err;

    WriteBytesToFile(dir.File("bad.mid"), SmfHeaderChunk(0, 1, 480) + "MTrk\x00\x00\x00\x10");
    WriteFileBytes(dir.File("keep.seq"), "keep me");
    run = Run("--force " + Quoted("bad.mid") + " " + Quoted("x.seq"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("bad.mid"), std::string::npos) << run.err;
    run = Run("--force " + Quoted("bad.mid") + " " + Quoted("keep.seq"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("keep.seq")), "keep me");

    run = Run("--force " + Quoted("song.mid") + " " + Quoted("missing/x.seq"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("x.seq"), std::string::npos) << run.err;

    EXPECT_FALSE(std::filesystem::exists(dir.File("x.seq")));
}

TEST_F(ConvertTool, RefusesOutputsThatAreNoRegularFileOrTheMidiFileItself)
{
    ExpectBadOutputsRefused(dir, [&](const std::string& output, bool replace) {
        return ErrorOf((replace ? "--force " : "") + Quoted("song.mid") + " '" + output + "'");
    });
}

TEST_F(ConvertTool, FollowsLinksAndKeepsModeAndOwnerOfWhatItReplaces)
{
    ExpectCarefulWrites(dir, [&](const std::string& output, bool replace) {
        return ErrorOf((replace ? "--force " : "") + Quoted("song.mid") + " '" + output + "'");
    });
}

TEST_F(ConvertTool, RefusesInputsThatAreNoStandardMidiFileAtOnceAndNamesThem)
{
    ExpectBadInputsRefused(dir, [&](const std::string& input) {
        const std::string error = ErrorOf("'" + input + "' " + Quoted("out.seq"));
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.seq")));
        return error;
    });
}

TEST_F(ConvertTool, WarningsNameTheMidiFileTheyAreAbout)
{
    const std::string missing = dir.File("missing.mid");
    EXPECT_EQ(Run("'" + missing + "' " + Quoted("out.seq")).err,
              "torem-convert: " + missing + ": Midi file location or Midi file does not exist...\n");
    EXPECT_EQ(Run("'" + dir.Path().string() + "' " + Quoted("out.seq")).err,
              "torem-convert: " + dir.Path().string() + ": Midi file location or Midi file does not exist...\n");

    TSmfTrack late;  // past 2^32 - 1 ticks
    late.Event(0, {0x90, 1, 1}).Event(0xFFFFFFF, {1, 0});
    for (int i = 0; i < 16; ++i)
        late.Event(0xFFFFFFF, {0xFE});
    WriteBytesToFile(dir.File("late.mid"), SmfFile(0, 480, {late}));
    EXPECT_EQ(Run(Quoted("late.mid") + " " + Quoted("out.seq")).err,
              "torem-convert: " + dir.File("late.mid") + ": The Midi file is too long for this resolution...\n");
    EXPECT_EQ(Run(Quoted("song.mid") + " ''").err, "torem-convert: Sequence file must be assigned...\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.seq")));
}

TEST_F(ConvertTool, RunningOutOfMemoryGivesTheReadersErrorAndExitCode)
{
    // Eight tracks of 4 MiB of notes, just under the size limit.
    WriteBytesToFile(dir.File("large.mid"), DenseSmf(5500000, 8, 60));
    // The least memory, in MiB steps, in which the small file converts; the
    // large one needs its list of notes (12 bytes a note, 63 MiB) and a 4 MiB
    // track on top.
    const auto within = [&](int mib, const std::string& midi) {
        return RunShell("ulimit -v " + std::to_string(mib * 1024) + "; exec '" + TOREM_CONVERT_PATH + "' -f " +
                        Quoted(midi) + " " + Quoted("out.seq"));
    };
    int least = 1;
    while (least < 256 && within(least, "song.mid").exitCode != 0)
        ++least;
    ASSERT_LT(least, 256);
    const TRun tight = within(least, "large.mid");
    EXPECT_EQ(tight.exitCode, 1);
    EXPECT_EQ(tight.err, "torem-convert: Not enough memory to read " + dir.File("large.mid") + "\n");
    EXPECT_EQ(within(least + 80, "large.mid").exitCode, 0) << "80 MiB more are enough for 5.5 million notes";
}

TEST_F(ConvertTool, BadUsageExitsWithTwo)
{
    for (const std::string& args : {std::string("-r 300 a.mid b.seq"), std::string("-r"), std::string("a.mid"),
                                   std::string("a.mid b.seq c.seq"), std::string("--fast a.mid b.seq")}) {
        const TRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.err.find("\nTry 'torem-convert --help'.\n"), std::string::npos) << args;
    }
    const TRun help = Run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--resolution"), std::string::npos);
}

}  // namespace

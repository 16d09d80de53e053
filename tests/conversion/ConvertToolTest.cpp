#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

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

    TRun Run(const std::string& args)
    {
        const std::string command = std::string("'") + TOREM_CONVERT_PATH + "' " + args + " >'" +
                                    dir.File("out.txt") + "' 2>'" + dir.File("err.txt") + "'";
        const int status = std::system(command.c_str());
        TRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFileBytes(dir.File("out.txt"));
        run.err = ReadFileBytes(dir.File("err.txt"));
        return run;
    }

    std::string Quoted(const std::string& name) { return "'" + dir.File(name) + "'"; }

    TTempDir dir;
};

TEST_F(ConvertTool, ConvertsAndSummarisesOnOneLine)
{
    const TRun run = Run("-r 500 " + Quoted("song.mid") + " " + Quoted("song.seq"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Process done... 1 notes, 2 changes, 2 frames, 10 frame bytes\n");
    EXPECT_EQ(run.err, "");
    const std::string image = ReadFileBytes(dir.File("song.seq"));
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(image[34], 3);

    EXPECT_EQ(Run("--resolution=100 " + Quoted("song.mid") + " " + Quoted("b.seq")).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("b.seq"))[34], 1);
    EXPECT_EQ(Run(Quoted("song.mid") + " " + Quoted("c.seq")).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("c.seq"))[34], 4) << "1 s by default";
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

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SmfWriter.h"
#include "TempDir.h"

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

    std::string File(const std::string& name) { return dir.File(name); }

    TTempDir dir;
};

TEST_F(ConvertTool, ConvertsAndSummarisesOnOneLine)
{
    const TProgramResult run = Run({"-r", "500", File("song.mid"), File("song.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Process done... 1 notes, 2 changes, 2 frames, 10 frame bytes\n");
    EXPECT_EQ(run.Err, "");
    const std::string image = ReadFileBytes(dir.File("song.seq"));
    ASSERT_EQ(image.size(), 65536u);
    EXPECT_EQ(image[34], 3);

    EXPECT_EQ(Run({"--resolution=100", File("song.mid"), File("b.seq")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("b.seq"))[34], 1);
    EXPECT_EQ(Run({File("song.mid"), File("c.seq")}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("c.seq"))[34], 4) << "1 s by default";
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

TEST_F(ConvertTool, BadUsageExitsWithTwo)
{
    const std::vector<std::vector<std::string>> mistakes{
        {"-r", "300", "a.mid", "b.seq"}, {"-r"}, {"a.mid"}, {"a.mid", "b.seq", "c.seq"}, {"--fast", "a.mid", "b.seq"}};
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

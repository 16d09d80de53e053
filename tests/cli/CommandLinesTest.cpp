// Every program answers --help (on Windows /? too) and --version and nothing
// else, and refuses an unknown option in one line with a hint; each is run
// as a separate process, with no display and in an empty folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

struct TProgram {
    std::string Name;
    fs::path Path;
};

const std::vector<TProgram> Programs{
#include "Programs.inc"
};

// Nothing in the environment: a program that tried to open its window
// would find no display and fail.
TProgramResult RunIn(const TProgram& program, const TTempDir& folder, std::vector<std::string> arguments)
{
    return RunProgram(program.Path, {.Arguments = std::move(arguments),
                                     .Environment = std::vector<std::string>{},
                                     .WorkingDirectory = folder.Path()});
}

TEST(CommandLines, EveryProgramAnswersHelpAndVersionAndRefusesUnknownOptions)
{
    ASSERT_GE(Programs.size(), 3u);
    for (const TProgram& program : Programs) {
        SCOPED_TRACE(program.Name);
        TTempDir folder;
#ifdef _WIN32
        const std::vector<std::string> helps{"--help", "-h", "/?"};
#else
        const std::vector<std::string> helps{"--help", "-h"};
#endif
        for (const std::string& help : helps) {
            const TProgramResult run = RunIn(program, folder, {help});
            EXPECT_EQ(run.ExitCode, 0) << run.Err;
            EXPECT_EQ(run.Out.rfind("Usage: " + program.Name + " ", 0), 0u) << run.Out;
            EXPECT_NE(run.Out.find("--version"), std::string::npos) << "the help lists --version";
            EXPECT_EQ(run.Err, "");
        }

        const TProgramResult version = RunIn(program, folder, {"--version"});
        EXPECT_EQ(version.ExitCode, 0) << version.Err;
        EXPECT_EQ(version.Out, program.Name + " " + TOREM_VERSION + "\n");
        EXPECT_EQ(version.Err, "");

        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"--frobnicate"}, std::vector<std::string>{"--frobnicate", "--help"}}) {
            const TProgramResult bad = RunIn(program, folder, arguments);
            EXPECT_EQ(bad.ExitCode, 2);
            EXPECT_EQ(bad.Out, "");
            EXPECT_EQ(bad.Err, program.Name + ": unknown option --frobnicate\nTry '" + program.Name + " --help'.\n");
        }
        EXPECT_TRUE(fs::is_empty(folder.Path())) << "no file was written";
    }
}

TEST(CommandLines, TheExampleMidiFileReplacesAnExistingFileOnlyWithForce)
{
    const auto example = std::find_if(Programs.begin(), Programs.end(),
                                      [](const TProgram& p) { return p.Name == "torem-example-midi"; });
    ASSERT_NE(example, Programs.end());
    TTempDir folder;
    const std::string song = folder.File("song.mid");

    TProgramResult run = RunIn(*example, folder, {song});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    const std::string written = ReadFileBytes(song);
    EXPECT_EQ(written.rfind("MThd", 0), 0u);

    WriteFileBytes(song, "keep me");
    run = RunIn(*example, folder, {song});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-example-midi: " + song + " already exists; use --force to replace it\n");
    EXPECT_EQ(ReadFileBytes(song), "keep me");

#ifndef _WIN32  // no symbolic links for mingw's run-time library, and few for Windows users
    // A link pointing nowhere is the user's too: writing through it would
    // make a file elsewhere.
    fs::create_symlink(folder.Path() / "elsewhere.mid", folder.Path() / "link.mid");
    EXPECT_EQ(RunIn(*example, folder, {folder.File("link.mid")}).ExitCode, 1);
    EXPECT_FALSE(fs::exists(folder.Path() / "elsewhere.mid"));
#endif

    for (const char* force : {"--force", "-f"}) {
        WriteFileBytes(song, "replace me");
        run = RunIn(*example, folder, {force, song});
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(ReadFileBytes(song), written);
    }

    // Even with --force, only a regular file is replaced, by the same rules
    // as the converter's images.
    run = RunIn(*example, folder, {"--force", folder.Path().string()});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-example-midi: cannot write " + folder.Path().string() +
                           ": it is a folder, not a regular file\n");

    // A name that looks like an option is taken as a file after "--".
    run = RunIn(*example, folder, {"--", "--version"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(folder.File("--version")), written);
    EXPECT_EQ(RunIn(*example, folder, {}).ExitCode, 2);
    EXPECT_EQ(RunIn(*example, folder, {"a.mid", "b.mid"}).ExitCode, 2);
}

}  // namespace

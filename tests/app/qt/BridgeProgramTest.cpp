// torem-bridge run as a user runs it: where its settings go, how it ends on
// a signal, and what it says without a display. Each run uses a copy of the
// program in a folder of its own, since the settings go beside it.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "DisplayCheck.h"
#include "PosixTesting.h"
#include "ProgramRun.h"
#include "SettingsFile.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

// The settings a user left, with numbers written in a way the program never
// writes them: a save at the end shows as the canonical form.
const std::string UsersSettings =
    "Settings File of TOREM Midi To TOREM Sequence Bridge\r\nLanguage :\r\nFrench\r\nMidi File :\r\n\r\n"
    "Resolution :\r\n+250\r\nSeq File :\r\n\r\nPort COM :\r\n/nonexistent/torem-port\r\n"
    "Port Midi In :\r\n\r\nMode :\r\n02\r\nTranspose Value :\r\n+7\r\n";
const std::string SavedSettings =
    "Settings File of TOREM Midi To TOREM Sequence Bridge\r\nLanguage :\r\nFrench\r\nMidi File :\r\n\r\n"
    "Resolution :\r\n250\r\nSeq File :\r\n\r\nPort COM :\r\n/nonexistent/torem-port\r\n"
    "Port Midi In :\r\n\r\nMode :\r\n2\r\nTranspose Value :\r\n7\r\n";

const std::string DefaultSettings =
    "Settings File of TOREM Midi To TOREM Sequence Bridge\r\nLanguage :\r\nEnglish\r\nMidi File :\r\n\r\n"
    "Resolution :\r\n1000\r\nSeq File :\r\n\r\nPort COM :\r\n\r\nPort Midi In :\r\n\r\n"
    "Mode :\r\n1\r\nTranspose Value :\r\n5\r\n";

// A folder with a copy of torem-bridge in bin/, a home, a settings folder
// and a runtime folder, all usable by the user the program runs as.
struct TInstall {
    explicit TInstall(bool unprivileged) : unprivileged_(unprivileged && RunningAsRoot())
    {
        fs::create_directories(Bin());
        fs::copy_file(TOREM_BRIDGE_PATH, Bin() / "torem-bridge");
        for (const fs::path& folder : {Home(), Runtime()}) {
            fs::create_directories(folder);
            if (unprivileged_)
                ChangeOwner(folder, TOwner{NobodyId, NobodyId});
        }
        fs::permissions(Runtime(), fs::perms::owner_all);
    }

    fs::path Bin() const { return dir.Path() / "bin"; }
    fs::path Home() const { return dir.Path() / "home"; }
    fs::path Runtime() const { return dir.Path() / "run"; }
    fs::path Config() const { return Home() / "config"; }

    // Starts the program offscreen with the end signals blocked, so that a
    // signal sent at once waits for the program's handler.
    std::unique_ptr<TRunningProgram> Start(const std::string& configHome) const
    {
        TProgramOptions options;
        options.Environment = {"QT_QPA_PLATFORM=offscreen", "HOME=" + Home().string(),
                               "XDG_RUNTIME_DIR=" + Runtime().string(), "XDG_CONFIG_HOME=" + configHome};
        options.Unprivileged = unprivileged_;
        options.EndSignalsBlocked = true;
        return std::make_unique<TRunningProgram>(Bin() / "torem-bridge", options);
    }

    TTempDir dir;

private:
    bool unprivileged_;
};

TEST(BridgeProgram, SigtermSavesTheSettingsBesideAWritableProgramFolder)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        TInstall install(false);
        WriteFileBytes((install.Bin() / SettingsFileName).string(), UsersSettings);
        const auto program = install.Start(install.Config().string());
        program->Signal(signal);
        const TProgramResult run = program->Wait();
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        // The port could not open: its warning box was closed, and told.
        EXPECT_NE(run.Err.find("/nonexistent/torem-port"), std::string::npos) << run.Err;
        EXPECT_EQ(ReadFileBytes((install.Bin() / SettingsFileName).string()), SavedSettings);
        EXPECT_FALSE(fs::exists(install.Config())) << "nothing in the user's folder";
    }
}

TEST(BridgeProgram, AReadOnlyProgramFolderPutsTheSettingsInTheUsersConfigFolder)
{
    TInstall install(true);
    fs::permissions(install.Bin(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const auto program = install.Start(install.Config().string());
    program->Signal(SIGTERM);
    const TProgramResult run = program->Wait();
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes((install.Config() / "torem-bridge" / SettingsFileName).string()), DefaultSettings);
    EXPECT_FALSE(fs::exists(install.Bin() / SettingsFileName));
}

TEST(BridgeProgram, ASettingsFolderThatCannotBeMadeIsReportedWithTheFilesPathAndTheReason)
{
    TInstall install(true);
    fs::permissions(install.Bin(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    WriteFileBytes((install.Home() / "file").string(), "");
    const auto program = install.Start((install.Home() / "file").string());
    program->Signal(SIGTERM);
    const TProgramResult run = program->Wait();
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    const std::string expected = "Erreur E/S " + std::to_string(ENOTDIR) + "\n" +
                                 (install.Home() / "file" / "torem-bridge" / SettingsFileName).string() +
                                 ": its folder cannot be made: Not a directory\n";
    EXPECT_NE(run.Err.find(expected), std::string::npos) << run.Err;
}

TEST(BridgeProgram, WithoutADisplayItSaysSoInOneLineAndEndsWithOne)
{
    const std::string line = std::string("torem-bridge: ") + std::string(NoDisplayMessage) + "\n";
    for (const std::vector<std::string>& environment :
         {std::vector<std::string>{}, std::vector<std::string>{"QT_QPA_PLATFORM=xcb", "DISPLAY="}}) {
        TProgramOptions options;
        options.Environment = environment;
        const TProgramResult run = RunProgram(TOREM_BRIDGE_PATH, options);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err, line);
        EXPECT_EQ(run.Out, "");
    }
}

TEST(BridgeProgram, ADisplayIsNeededUnlessQtDrawsWithoutOne)
{
    struct TCase {
        const char* display;
        const char* wayland;
        const char* platform;
        bool shown;
    };
    const TCase cases[] = {
        {nullptr, nullptr, nullptr, false},
        {"", "", "", false},
        {":0", nullptr, nullptr, true},
        {nullptr, "wayland-0", nullptr, true},
        {nullptr, nullptr, "offscreen", true},
        {nullptr, nullptr, "minimal", true},
        {nullptr, nullptr, "vnc:size=800x600", true},
        {nullptr, nullptr, "wayland;offscreen", true},
        {nullptr, nullptr, "xcb", false},
        {nullptr, nullptr, "wayland;xcb", false},
        {nullptr, nullptr, "offscreenish", false},
        {nullptr, nullptr, ";", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(HasDisplay({c.display, c.wayland, c.platform}), c.shown)
            << (c.display ? c.display : "-") << " " << (c.wayland ? c.wayland : "-") << " "
            << (c.platform ? c.platform : "-");
    }
}

}  // namespace

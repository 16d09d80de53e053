#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "FileKind.h"
#include "FileReplace.h"
#include "SpecialFiles.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif
#include "FileSystem.h"
#include "TempDir.h"
#include "Utf8.h"

namespace {

namespace fs = std::filesystem;

TEST(CreateNewFile, MakesANewFileOnlyWhereNothingGoesByTheName)
{
    TTempDir dir;
    TFileSystem& files = SystemFileSystem();
    const std::string fresh = dir.File("fresh.seq");
    std::unique_ptr<TOpenFile> file = files.CreateNew(PathFromUtf8(fresh));
    file->WriteAt(0, "new");
    file->Close();
    EXPECT_EQ(ReadFileBytes(fresh), "new");

    // Windows' C run-time ignores fopen's "x" and would empty the file.
    const std::string taken = dir.File("taken.seq");
    WriteFileBytes(taken, "keep me");
    const auto refusal = [&](const fs::path& path) {
        try {
            files.CreateNew(path);
        } catch (const std::system_error& e) {
            return e.code();
        }
        return std::error_code();
    };
    EXPECT_EQ(refusal(PathFromUtf8(taken)), std::errc::file_exists);
    EXPECT_EQ(ReadFileBytes(taken), "keep me");
    fs::create_directory(dir.Path() / "folder.seq");
    EXPECT_TRUE(refusal(dir.Path() / "folder.seq"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "folder.seq"));
}

TEST(ReplaceFileContents, NamesOutsideTheSystemsCodePageAreWrittenAsTheyAre)
{
    TTempDir dir;
    const std::string name = "\xCE\xA9mega \xE2\x9C\x93.seq";  // Ωmega ✓
    ReplaceFileContents(PathFromUtf8(dir.File(name)), "first");
    ReplaceFileContents(PathFromUtf8(dir.File(name)), "second");
    EXPECT_EQ(ReadFileBytes(dir.File(name)), "second");
    ASSERT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    EXPECT_EQ(Utf8FromPath(fs::directory_iterator(dir.Path())->path().filename()), name);
}

#ifdef _WIN32
constexpr char PosixOnly[] = "needs fork, signals, a file size limit and POSIX permissions";
#endif

TEST(ReplaceFileContents, AnInterruptWhileWritingRemovesTheTemporaryFileAndEndsAsTheSignalWould)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    const std::string target = dir.File("out.seq");
    WriteFileBytes(target, "old");
    // The write passes the file size limit: the system raises SIGXFSZ in the
    // middle of the replacement, whose handler here stands for the user's
    // Ctrl-C, raising SIGTERM while the temporary file exists.
    TChildOptions limited;
    limited.FileSizeLimit = 16;
    const TChildEnd end = RunInChild(
        [&] {
            RemoveTemporaryFilesOnInterrupt();
            std::signal(SIGXFSZ, [](int) { std::raise(SIGTERM); });
            ReplaceFileContents(target, std::string(100, 'x'));
            return 0;
        },
        limited);
    EXPECT_EQ(end.Signal, SIGTERM) << "ended by the signal, not by returning";
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
    EXPECT_EQ(ReadFileBytes(target), "old");
#endif
}

TEST(ReplaceFileContents, AFileTheUserMayNotWriteIsRefusedAsADirectWriteWouldBe)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    // A folder anybody may write, with a file only its owner may.
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string target = dir.File("theirs.seq");
    WriteFileBytes(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    const TChildEnd end = RunInChild(
        [&] {
            try {
                ReplaceFileContents(target, "new");
            } catch (const EFileRefused& refused) {
                return std::string(refused.what()) == "it is write-protected" &&
                               refused.code() == std::errc::permission_denied
                           ? 0
                           : 2;
            }
            return 1;
        },
        TChildOptions{.Unprivileged = true});
    EXPECT_EQ(end.ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
#endif
}

TEST(ReplaceFileContents, AWritableFileInAFolderTheUserMayNotWriteIsWrittenInPlace)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    // A folder only its owner (root) may write, with a file anybody may.
    const fs::path folder = dir.Path() / "theirs";
    fs::create_directory(folder);
    const std::string target = (folder / "shared.seq").string();
    WriteFileBytes(target, "the old, longer contents");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    fs::create_hard_link(target, dir.File("other-name.seq"));
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to act as another user";
    const TChildEnd end = RunInChild(
        [&] {
            try {
                ReplaceFileContents(target, "new");
            } catch (...) {
                return 1;
            }
            return 0;
        },
        TChildOptions{.Unprivileged = true});
    EXPECT_EQ(end.ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ReadFileBytes(dir.File("other-name.seq")), "new") << "the same file, links and all";
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::others_write, fs::perms::others_write);
    EXPECT_EQ(LeftoverTemporaryFiles(folder.string()), 0);
#endif
}

TEST(OutputNameTaken, AnyEntryTakesTheNameADanglingLinkIncluded)
{
    TTempDir dir;
    EXPECT_FALSE(OutputNameTaken(dir.File("free.seq")));
    fs::create_directory(dir.File("folder.seq"));
    EXPECT_TRUE(OutputNameTaken(dir.File("folder.seq")));
#ifndef _WIN32  // no FIFOs on Windows, and symbolic links only for a privileged user
    fs::create_symlink("nowhere", dir.File("dangling.seq"));
    EXPECT_TRUE(OutputNameTaken(dir.File("dangling.seq")));
    MakeFifo(dir.File("fifo.seq"));
    EXPECT_TRUE(OutputNameTaken(dir.File("fifo.seq")));
#endif
}

}  // namespace

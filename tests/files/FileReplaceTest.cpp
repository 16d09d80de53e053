#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "FileKind.h"
#include "FileReplace.h"
#include "SpecialFiles.h"
#include "StdioFile.h"
#include "TempDir.h"
#include "Utf8.h"

namespace {

namespace fs = std::filesystem;

TEST(CreateNewFile, MakesANewFileOnlyWhereNothingGoesByTheName)
{
    TTempDir dir;
    const std::string fresh = dir.File("fresh.seq");
    TFileHandle file = CreateNewFile(PathFromUtf8(fresh));
    ASSERT_TRUE(file);
    ASSERT_GE(std::fputs("new", file.get()), 0);
    ASSERT_TRUE(CloseFile(file));
    EXPECT_EQ(ReadFileBytes(fresh), "new");

    // Windows' C run-time ignores fopen's "x" and would empty the file.
    const std::string taken = dir.File("taken.seq");
    WriteFileBytes(taken, "keep me");
    EXPECT_FALSE(CreateNewFile(PathFromUtf8(taken)));
    EXPECT_EQ(ReadFileBytes(taken), "keep me");
    fs::create_directory(dir.Path() / "folder.seq");
    EXPECT_FALSE(CreateNewFile(dir.Path() / "folder.seq"));
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
#else
// The status a child ends with when it runs body, as the user nobody when
// asked and we are root (CI is).
int StatusOfChild(bool asNobody, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            _exit(90);
        _exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}
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
    const int status = StatusOfChild(false, [&] {
        RemoveTemporaryFilesOnInterrupt();
        std::signal(SIGXFSZ, [](int) { std::raise(SIGTERM); });
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ReplaceFileContents(target, std::string(100, 'x'));
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "ended by the signal, not by returning";
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
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
    const int status = StatusOfChild(true, [&] {
        try {
            ReplaceFileContents(target, "new");
        } catch (const EFileRefused& refused) {
            return std::string(refused.what()) == "it is write-protected" && refused.code() == std::errc::permission_denied
                       ? 0
                       : 2;
        }
        return 1;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const int status = StatusOfChild(true, [&] {
        try {
            ReplaceFileContents(target, "new");
        } catch (...) {
            return 1;
        }
        return 0;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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

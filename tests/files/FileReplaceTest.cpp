#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "FaultyFileSystem.h"
#include "FileKind.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "InputFile.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "Utf8.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif

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

// Two programs saving the same settings at once (two windows closed
// together): each save is whole, and the file ends as one of them wrote it.
// A save may be refused while the other's takes the name (Windows), never
// mixed with it.
TEST(ReplaceFileContents, TwoWritersAtOnceLeaveOneWholeFileAndNoTemporaryFile)
{
    TTempDir dir;
    const fs::path target = PathFromUtf8(dir.File("settings.cfg"));
    const std::string contents[2] = {std::string(20000, 'a'), std::string(300, 'b')};
    std::atomic<bool> mixed = false;
    std::atomic<bool> unreadable = false;
    const auto writer = [&](const std::string& mine) {
        for (int i = 0; i < 100; ++i) {
            try {
                ReplaceFileContents(target, mine);
            } catch (const std::system_error&) {
            }
            try {
                TInputFile in = OpenInputFile(target);
                std::string now(in.Stamp.Size, '\0');
                now.resize(ReadInputFile(in, 0, now.data(), now.size()));
                if (now != contents[0] && now != contents[1])
                    mixed = true;
            } catch (const std::system_error&) {
                unreadable = true;
            }
        }
    };
    std::thread first(writer, contents[0]);
    std::thread second(writer, contents[1]);
    first.join();
    second.join();
    EXPECT_FALSE(mixed);
    EXPECT_FALSE(unreadable) << "a save in progress never makes a read fail";
    const std::string last = ReadFileBytes(Utf8FromPath(target));
    EXPECT_TRUE(last == contents[0] || last == contents[1]);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

#ifdef _WIN32
constexpr char PosixOnly[] = "needs fork, signals, a file size limit and POSIX permissions";
#endif

#ifndef _WIN32
// Each signal that ends a program at the user's request, raised while the
// temporary file exists, removes it and ends the program as it would.
class EndSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndSignal, RemovesTheTemporaryFileAndEndsAsTheSignalWould)
{
    TTempDir dir;
    const std::string target = dir.File("out.seq");
    WriteFileBytes(target, "old");
    const int signal = GetParam();
    const TChildEnd end = RunInChild([&] {
        RemoveTemporaryFilesOnInterrupt();
        TFaultyFileSystem files;
        files.BeforeWrite = [signal] { std::raise(signal); };
        ReplaceFileContents(files, target, std::string(100, 'x'));
        return 0;
    });
    EXPECT_EQ(end.Signal, signal) << "ended by the signal, not by returning";
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
    EXPECT_EQ(ReadFileBytes(target), "old");
}

INSTANTIATE_TEST_SUITE_P(ReplaceFileContents, EndSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE),
                         [](const auto& test) { return "Signal" + std::to_string(test.param); });
#endif

TEST(ReplaceFileContents, AWritePastTheFileSizeLimitFailsAndEndsNothing)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    const std::string target = dir.File("out.seq");
    WriteFileBytes(target, "old");
    const TChildEnd end = RunInChild(
        [&] {
            std::signal(SIGXFSZ, SIG_DFL);  // which would end the process
            try {
                ReplaceFileContents(target, std::string(100, 'x'));
            } catch (const std::system_error& e) {
                return e.code() == std::errc::file_too_large ? 0 : 2;
            }
            return 1;
        },
        TChildOptions{.FileSizeLimit = 16});
    EXPECT_EQ(end.ExitCode, 0) << "ended by signal " << end.Signal;
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
    EXPECT_EQ(ReadFileBytes(target), "old");
#endif
}

// A file written in place (no new file can be made beside it) holds its
// old bytes again after a failure at any step, whether the new bytes are
// more or fewer; a failure to make room refuses the write before it starts.
struct TInPlaceFailure {
    const char* Name;
    TFileStep Step;
    int At;
    std::string Bytes;
};

class InPlaceFailure : public ::testing::TestWithParam<TInPlaceFailure> {};

TEST_P(InPlaceFailure, PutsTheOldBytesBack)
{
    TTempDir dir;
    const std::string target = dir.File("shared.seq");
    const std::string old = "the old bytes, thirty of them.";
    WriteFileBytes(target, old);
    TFaultyFileSystem files;
    files.CreateNewFails = std::make_error_code(std::errc::permission_denied);
    files.FailStep = GetParam().Step;
    files.FailAt = GetParam().At;
    try {
        ReplaceFileContents(files, PathFromUtf8(target), GetParam().Bytes);
        ADD_FAILURE() << "no failure reported";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_space_on_device);
    }
    EXPECT_EQ(ReadFileBytes(target), old);
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceFileContents, InPlaceFailure,
    ::testing::Values(TInPlaceFailure{"NoRoomForMore", TFileStep::Reserve, 1, std::string(100, 'n')},
                      TInPlaceFailure{"WritingMore", TFileStep::Write, 1, std::string(100, 'n')},
                      TInPlaceFailure{"WritingLess", TFileStep::Write, 1, "new"},
                      TInPlaceFailure{"CuttingTheRest", TFileStep::Truncate, 1, "new"},
                      TInPlaceFailure{"Syncing", TFileStep::Sync, 1, std::string(100, 'n')},
                      TInPlaceFailure{"ClosingLess", TFileStep::Close, 1, "new"},
                      TInPlaceFailure{"ClosingMore", TFileStep::Close, 1, std::string(100, 'n')}),
    [](const auto& test) { return std::string(test.param.Name); });

TEST(ReplaceFileContents, AnInPlaceWriteThatCannotBeUndoneSaysSo)
{
    TTempDir dir;
    const std::string target = dir.File("shared.seq");
    WriteFileBytes(target, "old");
    TFaultyFileSystem files;
    files.CreateNewFails = std::make_error_code(std::errc::permission_denied);
    files.FailAt = 1;
    files.FailAgainAt = 2;
    files.FailWith = std::make_error_code(std::errc::io_error);
    try {
        ReplaceFileContents(files, PathFromUtf8(target), "new");
        ADD_FAILURE() << "no failure reported";
    } catch (const EFileRefused& e) {
        EXPECT_EQ(std::string(e.what()),
                  "writing it failed (Input/output error), and so did putting its old content back "
                  "(Input/output error)");
    }
}

TEST(ReplaceFileContents, AnInPlaceWriteItCouldNotUndoIsRefusedBeforeItStarts)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    TFaultyFileSystem files;
    files.CreateNewFails = std::make_error_code(std::errc::permission_denied);
    const std::string huge = dir.File("huge.seq");
    WriteFileBytes(huge, "x");
    fs::resize_file(huge, (std::uint64_t{64} << 20) + 1);
    const std::string unreadable = dir.File("write-only.seq");
    WriteFileBytes(unreadable, "old");
    fs::permissions(unreadable, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    struct TCase {
        std::string Target;
        bool Unprivileged;
        std::string Reason;
    };
    const std::vector<TCase> cases{
        {huge, false, "its folder takes no new file, and at 67108865 bytes it is too large to be kept while it "
                      "is written over"},
        {unreadable, true, "its folder takes no new file, and it cannot be read to be put back should writing it "
                           "fail"},
    };
    for (const TCase& c : cases) {
        const std::uint64_t size = fs::file_size(c.Target);
        const TChildEnd end = RunInChild(
            [&] {
                try {
                    ReplaceFileContents(files, c.Target, "new");
                } catch (const EFileRefused& e) {
                    return e.what() == c.Reason ? 0 : 2;
                }
                return 1;
            },
            TChildOptions{.Unprivileged = c.Unprivileged});
        EXPECT_EQ(end.ExitCode, 0) << c.Target;
        EXPECT_EQ(fs::file_size(c.Target), size) << c.Target;
    }
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
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

// A copy that would not get the file's owner is not made: the file's own
// bytes are written, so that nothing changes hands behind the user's back.
TEST(ReplaceFileContents, AnotherUsersFileKeepsItsOwnerWhenReplaced)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to act as another user";
    // Anybody's folder, with a file anybody may write that belongs to a
    // third user: nobody replaces it.
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string target = dir.File("shared.seq");
    WriteFileBytes(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const TOwner third{4242, 4242};
    ChangeOwner(target, third);
    const TChildEnd end = RunInChild([&] {
        ReplaceFileContents(target, "new");
        return 0;
    }, TChildOptions{.Unprivileged = true});
    EXPECT_EQ(end.ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(OwnerOf(target), third);
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
#endif
}

TEST(FileRules, NothingOnTheKernelsFileSystemsIsReadOrWritten)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file systems of the kernel's";
#else
    TFileSystem& files = SystemFileSystem();
    ASSERT_STREQ(files.Status("/proc/self/comm").KernelFileSystem, "proc");
    TTempDir dir;
    EXPECT_EQ(files.Status(dir.Path()).KernelFileSystem, nullptr);

    // The process's name, which the kernel would take from a write.
    const std::string name = ReadFileBytes("/proc/self/comm");
    fs::create_symlink("/proc/self/comm", dir.File("comm.seq"));
    const std::string reason = "it is on the kernel's proc file system, not a file that stores data";
    for (const std::string& target : {std::string("/proc/self/comm"), dir.File("comm.seq"),
                                      std::string("/proc/self/new.seq")}) {
        try {
            ReplaceFileContents(target, "written");
            ADD_FAILURE() << target << " written";
        } catch (const EFileRefused& e) {
            EXPECT_EQ(e.what(), reason) << target;
        }
    }
    EXPECT_EQ(ReadFileBytes("/proc/self/comm"), name);
    try {
        OpenInputFile("/proc/self/status");
        ADD_FAILURE() << "/proc/self/status opened";
    } catch (const EFileRefused& e) {
        EXPECT_EQ(e.what(), reason);
    }
#endif
}

#ifndef _WIN32
// The kernel's guard against links planted in sticky folders anyone may
// write: such a link is followed only when it belongs to the one who
// follows it or to the folder's owner.
struct TPlantedLink {
    const char* Name;
    fs::perms FolderMode;
    unsigned FolderOwner;
    unsigned LinkOwner;
    bool FollowerIsNobody;
    bool Followed;
};

class PlantedLink : public ::testing::TestWithParam<TPlantedLink> {};

TEST_P(PlantedLink, IsFollowedOnlyAsTheKernelWould)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root to give links to other users";
    const TPlantedLink& c = GetParam();
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path shared = dir.Path() / "shared";
    const fs::path mine = dir.Path() / "mine";
    fs::create_directory(shared);
    fs::create_directory(mine);
    fs::permissions(mine, fs::perms::all);
    const std::string target = (mine / "target.seq").string();
    WriteFileBytes(target, "old");
    fs::permissions(target, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    const std::string link = (shared / "link.seq").string();
    fs::create_symlink(target, link);
    ChangeOwner(link, TOwner{c.LinkOwner, c.LinkOwner});
    ChangeOwner(shared, TOwner{c.FolderOwner, c.FolderOwner});
    fs::permissions(shared, c.FolderMode);

    const TChildEnd end = RunInChild([&] {
        try {
            ReplaceFileContents(link, "new");
        } catch (const EFileRefused& e) {
            return std::string(e.what()) == "it is a symbolic link in " + shared.string() +
                                                ", a folder anyone may write, and belongs to neither you nor the "
                                                "folder's owner"
                       ? 3
                       : 2;
        }
        return 0;
    }, TChildOptions{.Unprivileged = c.FollowerIsNobody});
    EXPECT_EQ(end.ExitCode, c.Followed ? 0 : 3);
    EXPECT_EQ(ReadFileBytes(target), c.Followed ? "new" : "old");
    EXPECT_TRUE(fs::is_symlink(link));
}

constexpr fs::perms Sticky = fs::perms::all | fs::perms::sticky_bit;
constexpr fs::perms StickyOthersRead = Sticky & ~fs::perms::others_write;
INSTANTIATE_TEST_SUITE_P(
    ReplaceFileContents, PlantedLink,
    ::testing::Values(TPlantedLink{"PlantedForRoot", Sticky, 0, NobodyId, false, false},
                      TPlantedLink{"RootsOwn", Sticky, 0, 0, false, true},
                      TPlantedLink{"NobodysOwn", Sticky, 0, NobodyId, true, true},
                      TPlantedLink{"TheFolderOwners", Sticky, NobodyId, NobodyId, false, true},
                      TPlantedLink{"NotSticky", fs::perms::all, 0, NobodyId, false, true},
                      TPlantedLink{"OthersMayNotWrite", StickyOthersRead, 0, NobodyId, false, true}),
    [](const auto& test) { return std::string(test.param.Name); });
#endif

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

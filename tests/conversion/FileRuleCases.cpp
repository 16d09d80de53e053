#include "FileRuleCases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "MidiFile.h"
#include "SmfWriter.h"
#include "SpecialFiles.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif
#include "Utf8.h"

namespace fs = std::filesystem;

void ExpectBadOutputsRefused(const TTempDir& dir, const TConvertTo& convert)
{
    const std::string song = dir.File("song.mid");
    fs::create_directory(dir.File("folder.seq"));
    fs::create_hard_link(song, dir.File("hard.seq"));
    WriteFileBytes(dir.File("locked.seq"), "keep me");
    fs::permissions(dir.File("locked.seq"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    struct TCase {
        std::string output;
        std::string reason;
        std::vector<std::string> untouched;
    };
    std::vector<TCase> cases{
        {dir.File("folder.seq"), "it is a folder, not a regular file", {dir.File("folder.seq")}},
        {song, "it is the same file as " + song, {song}},
        {(dir.Path() / "." / "song.mid").string(), "it is the same file as", {song}},
        {dir.File("hard.seq"), "it is the same file as", {song}},
        {dir.File("locked.seq"), "it is write-protected", {dir.File("locked.seq")}},
    };
#ifndef _WIN32
    // Windows has no FIFOs or sockets among its files, and only a privileged
    // user may make symbolic links there.
    MakeFifo(dir.File("fifo.seq"));
    const TSocketFile socket(dir.File("socket.seq"));
    const TCharacterDevice device;
    fs::create_symlink(device.Path(), dir.File("device.seq"));
    fs::create_symlink("folder.seq", dir.File("to-folder.seq"));
    fs::create_symlink("song.mid", dir.File("soft.seq"));
    cases.insert(cases.end(), {
        {dir.File("fifo.seq"), "it is a FIFO, not a regular file", {dir.File("fifo.seq")}},
        {dir.File("socket.seq"), "it is a socket, not a regular file", {dir.File("socket.seq")}},
        {device.Path(), "it is a character device, not a regular file", {device.Path()}},
        {dir.File("device.seq"), "it links to " + device.Path() + ", a character device, not a regular file",
         {dir.File("device.seq"), device.Path()}},
        {dir.File("to-folder.seq"), ", a folder, not a regular file", {dir.File("to-folder.seq"), dir.File("folder.seq")}},
        {dir.File("soft.seq"), "it is the same file as", {dir.File("soft.seq"), song}},
        // The kernel calls its attributes regular files; its own name is
        // the program's.
        {"/proc/self/comm", "it is on the kernel's proc file system, not a file that stores data", {}},
    });
#endif
    for (const TCase& c : cases) {
        std::vector<TEntryState> before;
        for (const std::string& name : c.untouched)
            before.push_back(EntryState(name));
        const std::string error = convert(c.output, true);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.output << ": " << error;
        EXPECT_NE(error.find(c.output), std::string::npos) << "names the file: " << error;
        for (std::size_t i = 0; i < c.untouched.size(); ++i)
            EXPECT_EQ(EntryState(c.untouched[i]), before[i]) << c.untouched[i] << " was touched";
        EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0) << c.output;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("locked.seq")), "keep me");
}

void ExpectCarefulWrites(const TTempDir& dir, const TConvertTo& convert)
{
    const auto isImage = [](const std::string& path) { return fs::file_size(PathFromUtf8(path)) == 65536u; };

    // Any character in a name, those outside the system's code page included.
    const std::string unicode = Utf8FromPath(dir.Path() / PathFromUtf8("\xCE\xA9mega \xE2\x9C\x93.seq"));  // Ωmega ✓
    EXPECT_EQ(convert(unicode, false), "");
    EXPECT_TRUE(isImage(unicode));

#ifdef _WIN32
    // Only a privileged user may make symbolic links on Windows, whose paths
    // are limited to 260 characters unless long paths are enabled, and whose
    // files have no POSIX mode or owner.
#else
    // A link is followed: its target gets the image and it stays a link.
    WriteFileBytes(dir.File("target.seq"), "old");
    fs::create_symlink("target.seq", dir.File("link.seq"));
    EXPECT_EQ(convert(dir.File("link.seq"), true), "");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.seq")));
    EXPECT_TRUE(isImage(dir.File("target.seq")));

    // A dangling link is a name taken: replaced only when told, then its
    // target is made.
    fs::create_symlink("made.seq", dir.File("dangling.seq"));
    EXPECT_NE(convert(dir.File("dangling.seq"), false), "");
    EXPECT_FALSE(fs::exists(dir.File("made.seq")));
    EXPECT_EQ(convert(dir.File("dangling.seq"), true), "");
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.seq")));
    EXPECT_TRUE(isImage(dir.File("made.seq")));

    // Any name the system takes, the longest included.
    const std::string longest = dir.File(std::string(251, 'n') + ".seq");
    EXPECT_EQ(convert(longest, false), "");
    EXPECT_TRUE(isImage(longest));

    // A replaced file keeps its mode, and its owner where the process may
    // set it (as root: any owner).
    const std::string kept = dir.File("private.seq");
    WriteFileBytes(kept, "old");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    const TOwner owner = RunningAsRoot() ? TOwner{NobodyId, NobodyId} : TOwner{EffectiveUserId(), EffectiveGroupId()};
    ChangeOwner(kept, owner);
    EXPECT_EQ(convert(kept, true), "");
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(OwnerOf(kept), owner);
    EXPECT_TRUE(isImage(kept));
#endif
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
}

void ExpectBadInputsRefused(const TTempDir& dir, const TConvertFrom& convert)
{
    WriteFileBytes(dir.File("empty.mid"), "");
    WriteFileBytes(dir.File("text.mid"), "not a MIDI file at all\n");
    WriteFileBytes(dir.File("zeros.mid"), std::string(4096, '\0'));
    WriteBytesToFile(dir.File("track-first.mid"), SmfChunk("MTrk", "") + SmfHeaderChunk(0, 1, 480));
    // One byte past the limit, sparse: refused before a byte of it is read.
    WriteBytesToFile(dir.File("huge.mid"), SmfHeaderChunk(0, 1, 480));
    fs::resize_file(dir.File("huge.mid"), TMidiFile::MaxFileBytes + 1);

    struct TCase {
        std::string input;
        std::string reason;
    };
    std::vector<TCase> cases{
        {dir.File("empty.mid"), " is empty"},
        {dir.File("text.mid"), " is not a Standard MIDI File"},
        {dir.File("zeros.mid"), " is not a Standard MIDI File"},
        {dir.File("track-first.mid"), "does not begin with an 'MThd' chunk"},
        {dir.File("huge.mid"), " is 33554433 bytes long; MIDI files of more than 33554432 bytes (32 MiB) are refused"},
        {dir.Path().string(), "it is a folder, not a regular file"},
    };
#ifndef _WIN32
    MakeFifo(dir.File("fifo.mid"));
    const TCharacterDevice device;
    fs::create_symlink("loop-b.mid", dir.File("loop-a.mid"));
    fs::create_symlink("loop-a.mid", dir.File("loop-b.mid"));
    cases.insert(cases.end(), {
        {dir.File("fifo.mid"), "it is a FIFO, not a regular file"},
        {device.Path(), "it is a character device, not a regular file"},
        {dir.File("loop-a.mid"), "Too many levels of symbolic links"},
        {"/proc/self/status", "it is on the kernel's proc file system, not a file that stores data"},
    });
#endif
    for (const TCase& c : cases) {
        const std::string error = convert(c.input);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.input << ": " << error;
        EXPECT_NE(error.find(c.input), std::string::npos) << "names the file: " << error;
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_character_file(device.Path()));
#endif
}

#pragma once
// The system calls the file rules are built from, behind an interface of
// ours: the rules themselves (FileReplace, InputFile) are plain C++, and
// files/platform/ holds one implementation per system (PosixFileSystem,
// WindowsFileSystem). A test may put a file system in its place that fails
// where it is told to.
//
// Failures throw std::system_error with the system's error code; what()
// begins with the call that failed ("open", "write"...).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

#include "FileKind.h"

// What a name stands for.
struct TEntryStatus {
    bool Exists = false;
    TFileKind Kind = TFileKind::Other;
    // With Inode, tells a file from any other; 0 where the system has none.
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Size = 0;     // bytes
    std::int64_t Modified = 0;  // nanoseconds
    std::uint32_t Mode = 0;     // permission bits (07777)
    std::uint32_t Owner = 0;    // user and group; 0 where the system has none
    std::uint32_t Group = 0;
    // The name of the kernel's file system the entry is on (proc, sysfs,
    // cgroup...), whose files show and set the kernel's state and store
    // nothing; nullptr for a file system that stores files.
    const char* KernelFileSystem = nullptr;
};

// A file open for reading or writing, closed when the object goes.
class TOpenFile {
public:
    virtual ~TOpenFile() = default;

    virtual TEntryStatus Status() = 0;
    // Up to size bytes from offset on; fewer only at the end of the file.
    virtual std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
    // All of bytes, from offset on.
    virtual void WriteAt(std::uint64_t offset, std::string_view bytes) = 0;
    virtual void Truncate(std::uint64_t size) = 0;
    // Makes room on the disk for size bytes from the start without changing
    // the file's size, so that writing them cannot run out of space; does
    // nothing where the file system cannot say.
    virtual void Reserve(std::uint64_t size) = 0;
    // The owner and group of another file where the process may set them
    // (a group it belongs to, any owner for the superuser), then its
    // permission bits, which a change of owner would clear in part. Returns
    // whether the file now has that owner and group.
    virtual bool TakeOwnerAndMode(const TEntryStatus& of) = 0;
    // Puts the written bytes on the disk.
    virtual void Sync() = 0;
    // Closes the file and reports what the system says of the bytes written;
    // the file is closed in every case.
    virtual void Close() = 0;
};

class TFileSystem {
public:
    virtual ~TFileSystem() = default;

    // What goes by the name, a symbolic link itself (Kind Link) included.
    // Exists is false when nothing does.
    virtual TEntryStatus LinkStatus(const std::filesystem::path& path) = 0;
    // The same with symbolic links followed.
    virtual TEntryStatus Status(const std::filesystem::path& path) = 0;
    virtual std::filesystem::path ReadLink(const std::filesystem::path& link) = 0;
    // Whether both names reach the same file; false when either is missing.
    virtual bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) = 0;
    // Whether the process may write the existing file: by its mode bits for
    // the superuser, whom the system lets write anything; by the system's
    // own judgement (ACLs included) for others.
    virtual bool MayWrite(const std::filesystem::path& path, const TEntryStatus& status) = 0;
    // The user the process acts as, as owners are numbered.
    virtual std::uint32_t EffectiveUser() = 0;

    // Opens without waiting (a FIFO that has taken the name) and without
    // making a terminal the controlling one.
    virtual std::unique_ptr<TOpenFile> OpenToRead(const std::filesystem::path& path) = 0;
    // A new file, made only where nothing goes by the name: file_exists
    // otherwise.
    virtual std::unique_ptr<TOpenFile> CreateNew(const std::filesystem::path& path) = 0;
    // An existing file to read and write over, a symbolic link not followed.
    virtual std::unique_ptr<TOpenFile> OpenToRewrite(const std::filesystem::path& path) = 0;

    // Takes the place of whatever goes by the name to.
    virtual void Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual void Remove(const std::filesystem::path& path) noexcept = 0;
    // Puts a folder's entries on the disk.
    virtual void SyncFolder(const std::filesystem::path& folder) = 0;
};

// The file system of the system the program runs on.
TFileSystem& SystemFileSystem();

// The signals that end a program at the user's request (Ctrl+C and the
// like) are held back while the object lives: nothing ends the process
// between the making of a temporary file and its registration.
class TEndSignalsHeld {
public:
    TEndSignalsHeld();
    ~TEndSignalsHeld();
    TEndSignalsHeld(const TEndSignalsHeld&) = delete;
    TEndSignalsHeld& operator=(const TEndSignalsHeld&) = delete;
};

// Those signals, by their numbers in <csignal>.
std::span<const int> EndSignalNumbers();

// While the object lives, a write past the process's file size limit fails
// with EFBIG like any failed write, instead of ending the process (SIGXFSZ)
// half-way through a replacement.
class TFileSizeSignalHeld {
public:
    TFileSizeSignalHeld();
    ~TFileSizeSignalHeld();
    TFileSizeSignalHeld(const TFileSizeSignalHeld&) = delete;
    TFileSizeSignalHeld& operator=(const TFileSizeSignalHeld&) = delete;

private:
    bool held_ = false;
};

// Removes a file; safe to call from a signal handler.
void RemoveFileNow(const std::filesystem::path::value_type* path) noexcept;

#pragma once
// File system entries of every kind, for the tests of the file rules: each
// made inside a test's own folder, or (a character device) one the test
// owns, so that a fault under test can destroy nothing of the system's.
// FIFOs, sockets and devices are POSIX only.

#include <string>

#ifndef _WIN32
// A FIFO at path. Throws std::system_error.
void MakeFifo(const std::string& path);

// A Unix socket bound at path while the object lives.
class TSocketFile {
public:
    explicit TSocketFile(const std::string& path);
    ~TSocketFile();
    TSocketFile(const TSocketFile&) = delete;
    TSocketFile& operator=(const TSocketFile&) = delete;

private:
    int fd_ = -1;
};

// A character device of the test's own: the far side of a pseudo-terminal
// it opens, under /dev/pts.
class TCharacterDevice {
public:
    TCharacterDevice();
    ~TCharacterDevice();
    TCharacterDevice(const TCharacterDevice&) = delete;
    TCharacterDevice& operator=(const TCharacterDevice&) = delete;

    const std::string& Path() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

#endif

// What an entry is, its links not followed: kind, inode, size and change
// time (on Windows: kind, size and modification time), to tell whether
// anything touched it.
struct TEntryState {
    bool Exists = false;
    unsigned Mode = 0;
    unsigned long long Inode = 0;
    long long Size = 0;
    long long Changed = 0;  // nanoseconds

    bool operator==(const TEntryState&) const = default;
};
TEntryState EntryState(const std::string& path);

// The temporary files a replacement may have left in a folder.
int LeftoverTemporaryFiles(const std::string& folder);

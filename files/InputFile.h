#pragma once
// Opening a file to read: only a regular file is opened. A folder, a device,
// a FIFO or a socket is refused at once, never waited on and never opened
// (opening a device can act on it, as a serial line's modem lines do).

#include <cstdint>
#include <filesystem>
#include <memory>

#include "FileSystem.h"

// What tells a file from another, or from itself once it has changed.
struct TFileStamp {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Size = 0;  // bytes
    std::int64_t Modified = 0;  // nanoseconds

    bool operator==(const TFileStamp&) const = default;
};

struct TInputFile {
    std::unique_ptr<TOpenFile> File;
    TFileStamp Stamp;  // when it was opened
};

// Symbolic links are followed. Throws EFileRefused for anything but a
// regular file, std::system_error when it cannot be opened.
TInputFile OpenInputFile(const std::filesystem::path& path);
TInputFile OpenInputFile(TFileSystem& files, const std::filesystem::path& path);

// Reads up to size bytes from offset on into buffer and returns how many
// there were (fewer at the end of the file). Throws std::system_error when
// reading fails.
std::size_t ReadInputFile(TInputFile& input, std::uint64_t offset, char* buffer, std::size_t size);

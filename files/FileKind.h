#pragma once
// What a name in the file system stands for, and the refusal the file rules
// give when it is not what they read or write: only regular files are read,
// and only regular files (or new names) are written.

#include <string>
#include <system_error>

enum class TFileKind { Regular, Folder, CharacterDevice, BlockDevice, Fifo, Socket, Link, Other };

// "a folder", "a FIFO", ... for messages.
const char* DescribeFileKind(TFileKind kind);

// A name the file rules refuse, or a failure that takes more words than the
// system's reason. what() says why in plain words, without the path (the
// caller names the file); code() is the nearest system error, for callers
// that report numbers.
class EFileRefused : public std::system_error {
public:
    EFileRefused(std::errc code, std::string reason)
        : std::system_error(std::make_error_code(code)), reason_(std::move(reason))
    {
    }
    const char* what() const noexcept override { return reason_.c_str(); }

private:
    std::string reason_;
};

// "it is a FIFO, not a regular file", or through a symbolic link "it links
// to TARGET, a FIFO, not a regular file"; a folder carries EISDIR, anything
// else EINVAL.
EFileRefused NotARegularFile(TFileKind kind, const std::string& linkTarget = {});

// "it is on the kernel's proc file system, not a file that stores data":
// files there show and set the kernel's state. EPERM.
EFileRefused OnKernelFileSystem(const char* name);

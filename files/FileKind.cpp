#include "FileKind.h"

const char* DescribeFileKind(TFileKind kind)
{
    switch (kind) {
    case TFileKind::Regular: return "a regular file";
    case TFileKind::Folder: return "a folder";
    case TFileKind::CharacterDevice: return "a character device";
    case TFileKind::BlockDevice: return "a block device";
    case TFileKind::Fifo: return "a FIFO";
    case TFileKind::Socket: return "a socket";
    case TFileKind::Link: return "a symbolic link";
    case TFileKind::Other: break;
    }
    return "a special file";
}

EFileRefused NotARegularFile(TFileKind kind, const std::string& linkTarget)
{
    const std::string what = linkTarget.empty() ? std::string("it is ") : "it links to " + linkTarget + ", ";
    return EFileRefused(kind == TFileKind::Folder ? std::errc::is_a_directory : std::errc::invalid_argument,
                        what + DescribeFileKind(kind) + ", not a regular file");
}

EFileRefused OnKernelFileSystem(const char* name)
{
    return EFileRefused(std::errc::operation_not_permitted,
                        std::string("it is on the kernel's ") + name + " file system, not a file that stores data");
}

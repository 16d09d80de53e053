#include "InputFile.h"

#include <system_error>

#include "FileKind.h"

namespace fs = std::filesystem;

TInputFile OpenInputFile(const fs::path& path)
{
    return OpenInputFile(SystemFileSystem(), path);
}

TInputFile OpenInputFile(TFileSystem& files, const fs::path& path)
{
    const TEntryStatus named = files.Status(path);
    if (!named.Exists)
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory), "stat");
    if (named.Kind != TFileKind::Regular)
        throw NotARegularFile(named.Kind);
    // Reading such a file may wait for the kernel's events.
    if (named.KernelFileSystem)
        throw OnKernelFileSystem(named.KernelFileSystem);
    // What was opened is judged again: another entry may have taken the
    // name since.
    TInputFile input{files.OpenToRead(path), {}};
    const TEntryStatus opened = input.File->Status();
    if (opened.Kind != TFileKind::Regular)
        throw NotARegularFile(opened.Kind);
    if (opened.KernelFileSystem)
        throw OnKernelFileSystem(opened.KernelFileSystem);
    input.Stamp = TFileStamp{opened.Device, opened.Inode, opened.Size, opened.Modified};
    return input;
}

std::size_t ReadInputFile(TInputFile& input, std::uint64_t offset, char* buffer, std::size_t size)
{
    return input.File->ReadAt(offset, buffer, size);
}

#include "InputFile.h"

#include <cerrno>
#include <system_error>

#include "FileKind.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

#ifndef _WIN32

TInputFile OpenInputFile(const fs::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        ThrowErrno("stat");
    if (!S_ISREG(status.st_mode))
        throw NotARegularFile(FileKindOfMode(status.st_mode));
    // Non-blocking, in case a FIFO has taken the name since: its open would
    // wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        ThrowErrno("open");
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(), "fstat");
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw NotARegularFile(FileKindOfMode(status.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(), "fdopen");
    }
    const TFileStamp stamp{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                           static_cast<std::uint64_t>(status.st_size),
                           std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec};
    return TInputFile{TFileHandle(file), stamp};
}

#else

TInputFile OpenInputFile(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error)
        throw std::system_error(error, "status");
    if (!fs::is_regular_file(status))
        throw NotARegularFile(fs::is_directory(status) ? TFileKind::Folder : TFileKind::Other);
    TInputFile input{OpenFile(path, "rb"), {}};
    if (!input.File)
        throw std::system_error(LastFileError(), "open");
    input.Stamp.Size = fs::file_size(path);
    input.Stamp.Modified = fs::last_write_time(path).time_since_epoch().count();
    return input;
}

#endif

std::size_t ReadInputFile(TInputFile& input, std::uint64_t offset, char* buffer, std::size_t size)
{
    ClearFileError();
    // Reading on from where the last read ended keeps what stdio has buffered.
#ifdef _WIN32
    if (_ftelli64(input.File.get()) != static_cast<__int64>(offset) &&
        _fseeki64(input.File.get(), static_cast<__int64>(offset), SEEK_SET) != 0)
#else
    if (ftello(input.File.get()) != static_cast<off_t>(offset) &&
        fseeko(input.File.get(), static_cast<off_t>(offset), SEEK_SET) != 0)
#endif
        throw std::system_error(LastFileError(), "seek");
    const std::size_t got = std::fread(buffer, 1, size, input.File.get());
    if (std::ferror(input.File.get()))
        throw std::system_error(LastFileError(), "read");
    return got;
}

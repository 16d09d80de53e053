#include "StdioFile.h"

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

void ClearFileError()
{
    errno = 0;
#ifdef _WIN32
    _doserrno = 0;
#endif
}

TFileHandle OpenFile(const std::filesystem::path& path, const char* mode)
{
    ClearFileError();
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return TFileHandle(_wfopen(path.c_str(), wideMode.c_str()));
#else
    return TFileHandle(std::fopen(path.c_str(), mode));
#endif
}

TFileHandle CreateNewFile(const std::filesystem::path& path)
{
    ClearFileError();
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr)
        _close(fd);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr)
        ::close(fd);
#endif
    return TFileHandle(file);
}

std::error_code LastFileError()
{
#ifdef _WIN32
    // The operating system's own code is the more telling one.
    if (_doserrno != 0)
        return {static_cast<int>(_doserrno), std::system_category()};
#endif
    if (errno != 0)
        return {errno, std::generic_category()};
    // stdio may fail without saying why (a short write); call it an I/O error.
    return std::make_error_code(std::errc::io_error);
}

bool CloseFile(TFileHandle& file)
{
    ClearFileError();
    return std::fclose(file.release()) == 0;
}

bool SyncFile(std::FILE* file)
{
    ClearFileError();
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

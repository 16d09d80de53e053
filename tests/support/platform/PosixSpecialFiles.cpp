// FIFOs, sockets, devices and the state of entries through the POSIX calls.

#include "SpecialFiles.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

[[noreturn]] void ThrowErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

void MakeFifo(const std::string& path)
{
    if (::mkfifo(path.c_str(), 0644) != 0)
        ThrowErrno("mkfifo");
}

TSocketFile::TSocketFile(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw std::system_error(ENAMETOOLONG, std::generic_category(), "socket path");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        ThrowErrno("socket");
}

TSocketFile::~TSocketFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

TCharacterDevice::TCharacterDevice()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        ThrowErrno("posix_openpt");
    path_ = ::ptsname(master_);
}

TCharacterDevice::~TCharacterDevice()
{
    if (master_ >= 0)
        ::close(master_);
}

TEntryState EntryState(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return {};
    return TEntryState{true, status.st_mode, status.st_ino, status.st_size,
                       status.st_ctim.tv_sec * 1000000000LL + status.st_ctim.tv_nsec};
}

// The file system through the POSIX calls.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <csignal>
#include <iterator>
#include <system_error>

#include "FileSystem.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

TFileKind KindOfMode(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFREG: return TFileKind::Regular;
    case S_IFDIR: return TFileKind::Folder;
    case S_IFCHR: return TFileKind::CharacterDevice;
    case S_IFBLK: return TFileKind::BlockDevice;
    case S_IFIFO: return TFileKind::Fifo;
    case S_IFSOCK: return TFileKind::Socket;
    case S_IFLNK: return TFileKind::Link;
    default: return TFileKind::Other;
    }
}

#ifdef __linux__
// The kernel's file systems whose files show and set its state: writing
// one may change the system, and reading one may wait for events.
struct TKernelFileSystem {
    decltype(statfs::f_type) Type;
    const char* Name;
};
constexpr TKernelFileSystem KernelFileSystems[] = {
    {PROC_SUPER_MAGIC, "proc"},
    {SYSFS_MAGIC, "sysfs"},
    {DEBUGFS_MAGIC, "debugfs"},
    {TRACEFS_MAGIC, "tracefs"},
    {SECURITYFS_MAGIC, "securityfs"},
    {CGROUP_SUPER_MAGIC, "cgroup"},
    {CGROUP2_SUPER_MAGIC, "cgroup2"},
    {0x62656570, "configfs"},
    {BPF_FS_MAGIC, "bpf"},
    {PSTOREFS_MAGIC, "pstore"},
    {EFIVARFS_MAGIC, "efivarfs"},
    {SELINUX_MAGIC, "selinuxfs"},
    {SMACK_MAGIC, "smackfs"},
    {BINFMTFS_MAGIC, "binfmt_misc"},
    {DEVPTS_SUPER_MAGIC, "devpts"},
    {USBDEVICE_SUPER_MAGIC, "usbfs"},
    {NSFS_MAGIC, "nsfs"},
    {0x19800202, "mqueue"},
    {0x65735543, "fusectl"},
    {0x67596969, "rpc_pipefs"},
    {0x6e667364, "nfsd"},
};

const char* KernelFileSystemOf(const struct statfs& system)
{
    for (const TKernelFileSystem& kernel : KernelFileSystems)
        if (system.f_type == kernel.Type)
            return kernel.Name;
    return nullptr;
}

const char* KernelFileSystemAt(const fs::path& path)
{
    struct statfs system {};
    return ::statfs(path.c_str(), &system) == 0 ? KernelFileSystemOf(system) : nullptr;
}

const char* KernelFileSystemOf(int fd)
{
    struct statfs system {};
    return ::fstatfs(fd, &system) == 0 ? KernelFileSystemOf(system) : nullptr;
}
#else
const char* KernelFileSystemAt(const fs::path&) { return nullptr; }
const char* KernelFileSystemOf(int) { return nullptr; }
#endif

TEntryStatus StatusOf(const struct stat& status)
{
    TEntryStatus entry;
    entry.Exists = true;
    entry.Kind = KindOfMode(status.st_mode);
    entry.Device = static_cast<std::uint64_t>(status.st_dev);
    entry.Inode = static_cast<std::uint64_t>(status.st_ino);
    entry.Size = static_cast<std::uint64_t>(status.st_size);
    entry.Modified = std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    entry.Mode = status.st_mode & 07777;
    entry.Owner = status.st_uid;
    entry.Group = status.st_gid;
    return entry;
}

// An entry's status; Exists false for a name nothing goes by.
template <typename TStat>
TEntryStatus StatusOrMissing(const fs::path& path, TStat statCall, const char* what)
{
    struct stat status {};
    if (statCall(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return {};
        ThrowErrno(what);
    }
    TEntryStatus entry = StatusOf(status);
    if (entry.Kind != TFileKind::Link)
        entry.KernelFileSystem = KernelFileSystemAt(path);
    return entry;
}

class TPosixFile final : public TOpenFile {
public:
    explicit TPosixFile(int fd) : fd_(fd) {}
    ~TPosixFile() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TPosixFile(const TPosixFile&) = delete;
    TPosixFile& operator=(const TPosixFile&) = delete;

    TEntryStatus Status() override
    {
        struct stat status {};
        if (::fstat(fd_, &status) != 0)
            ThrowErrno("fstat");
        TEntryStatus entry = StatusOf(status);
        entry.KernelFileSystem = KernelFileSystemOf(fd_);
        return entry;
    }

    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::pread(fd_, buffer + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ThrowErrno("read");
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

    void WriteAt(std::uint64_t offset, std::string_view bytes) override
    {
        while (!bytes.empty()) {
            const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                ThrowErrno("write");
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
            offset += static_cast<std::uint64_t>(written);
        }
    }

    void Truncate(std::uint64_t size) override
    {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            ThrowErrno("ftruncate");
    }

    void Reserve(std::uint64_t size) override
    {
#ifdef __linux__
        if (size == 0 || ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
            return;
        // A file system that cannot reserve space says so; writing then
        // finds out.
        if (errno != EOPNOTSUPP && errno != ENOSYS)
            ThrowErrno("fallocate");
#else
        (void)size;
#endif
    }

    bool TakeOwnerAndMode(const TEntryStatus& of) override
    {
        const bool owned = ::fchown(fd_, of.Owner, of.Group) == 0;
        if (!owned)
            (void)::fchown(fd_, static_cast<uid_t>(-1), of.Group);
        if (::fchmod(fd_, of.Mode) != 0)
            ThrowErrno("chmod");
        return owned;
    }

    void Sync() override
    {
        if (::fsync(fd_) != 0)
            ThrowErrno("fsync");
    }

    void Close() override
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            ThrowErrno("close");
    }

private:
    int fd_;
};

class TPosixFileSystem final : public TFileSystem {
public:
    TEntryStatus LinkStatus(const fs::path& path) override { return StatusOrMissing(path, ::lstat, "lstat"); }
    TEntryStatus Status(const fs::path& path) override { return StatusOrMissing(path, ::stat, "stat"); }
    fs::path ReadLink(const fs::path& link) override { return fs::read_symlink(link); }

    bool SameFile(const fs::path& a, const fs::path& b) override
    {
        struct stat first {};
        struct stat second {};
        return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    bool MayWrite(const fs::path& path, const TEntryStatus& status) override
    {
        if (::geteuid() == 0)
            return (status.Mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
        return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 || errno != EACCES;
    }

    std::uint32_t EffectiveUser() override { return ::geteuid(); }

    std::unique_ptr<TOpenFile> OpenToRead(const fs::path& path) override
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            ThrowErrno("open");
        auto file = std::make_unique<TPosixFile>(fd);
        // Reads wait for their bytes, as a regular file's always come.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return file;
    }

    std::unique_ptr<TOpenFile> CreateNew(const fs::path& path) override
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            ThrowErrno("create");
        return std::make_unique<TPosixFile>(fd);
    }

    std::unique_ptr<TOpenFile> OpenToRewrite(const fs::path& path) override
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0)
            ThrowErrno("open");
        return std::make_unique<TPosixFile>(fd);
    }

    void Rename(const fs::path& from, const fs::path& to) override
    {
        if (::rename(from.c_str(), to.c_str()) != 0)
            ThrowErrno("rename");
    }

    void Remove(const fs::path& path) noexcept override { ::unlink(path.c_str()); }

    void SyncFolder(const fs::path& folder) override
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            ThrowErrno("open folder");
        // Some file systems cannot sync a folder; they say EINVAL.
        const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
        ::close(fd);
        if (error != 0)
            throw std::system_error(error, std::generic_category(), "fsync folder");
    }
};

// Ctrl+C, kill, a closed terminal, Ctrl+\ and a reader gone from a pipe.
constexpr int EndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

thread_local int heldDepth = 0;
thread_local sigset_t heldBefore;

}  // namespace

TFileSystem& SystemFileSystem()
{
    static TPosixFileSystem files;
    return files;
}

TEndSignalsHeld::TEndSignalsHeld()
{
    if (heldDepth++ > 0)
        return;
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : EndSignals)
        sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &heldBefore);
}

TEndSignalsHeld::~TEndSignalsHeld()
{
    if (--heldDepth == 0)
        pthread_sigmask(SIG_SETMASK, &heldBefore, nullptr);
}

std::span<const int> EndSignalNumbers()
{
    return EndSignals;
}

void RemoveFileNow(const fs::path::value_type* path) noexcept
{
    ::unlink(path);
}

TFileSizeSignalHeld::TFileSizeSignalHeld()
{
    sigset_t blocked;
    pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
    sigset_t pending;
    sigpending(&pending);
    // Held already, or pending from before: left as it is.
    if (sigismember(&blocked, SIGXFSZ) || sigismember(&pending, SIGXFSZ))
        return;
    sigset_t fileSize;
    sigemptyset(&fileSize);
    sigaddset(&fileSize, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &fileSize, nullptr);
    held_ = true;
}

TFileSizeSignalHeld::~TFileSizeSignalHeld()
{
    if (!held_)
        return;
    sigset_t fileSize;
    sigemptyset(&fileSize);
    sigaddset(&fileSize, SIGXFSZ);
    // The failed write has been told of already: its signal goes unheard.
    const timespec now{0, 0};
    while (sigtimedwait(&fileSize, nullptr, &now) == SIGXFSZ) {
    }
    pthread_sigmask(SIG_UNBLOCK, &fileSize, nullptr);
}

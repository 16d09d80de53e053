// The file system through the C run-time's wide calls and the standard
// library: Windows has no symbolic links for most users, no owners that a
// program sets and no folder to sync. A file that another program holds open
// without sharing it is refused in words that say so.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

#include "FileKind.h"
#include "FileSystem.h"

namespace fs = std::filesystem;

namespace {

void ClearError()
{
    errno = 0;
    _doserrno = 0;
}

[[noreturn]] void ThrowOpenElsewhere()
{
    throw EFileRefused(std::errc::device_or_resource_busy, "it is open in another program");
}

bool SharingViolation(unsigned long error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Whether another program holds the file open: it cannot be opened for
// this program alone.
bool OpenElsewhere(const fs::path& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return SharingViolation(GetLastError());
}

// The error of the last failed call: the operating system's own code is the
// more telling one.
[[noreturn]] void ThrowLastError(const char* what)
{
    if (SharingViolation(_doserrno))
        ThrowOpenElsewhere();
    if (_doserrno != 0)
        throw std::system_error(static_cast<int>(_doserrno), std::system_category(), what);
    if (errno != 0)
        throw std::system_error(errno, std::generic_category(), what);
    throw std::system_error(std::make_error_code(std::errc::io_error), what);
}

TFileKind KindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::regular: return TFileKind::Regular;
    case fs::file_type::directory: return TFileKind::Folder;
    case fs::file_type::character: return TFileKind::CharacterDevice;
    case fs::file_type::block: return TFileKind::BlockDevice;
    case fs::file_type::fifo: return TFileKind::Fifo;
    case fs::file_type::socket: return TFileKind::Socket;
    case fs::file_type::symlink: return TFileKind::Link;
    default: return TFileKind::Other;
    }
}

TEntryStatus StatusOf(const fs::path& path, const fs::file_status& status)
{
    TEntryStatus entry;
    entry.Exists = true;
    entry.Kind = KindOf(status.type());
    entry.Mode = static_cast<std::uint32_t>(status.permissions() & fs::perms::mask);
    std::error_code error;
    if (entry.Kind == TFileKind::Regular) {
        entry.Size = fs::file_size(path, error);
        entry.Modified = fs::last_write_time(path, error).time_since_epoch().count();
    }
    return entry;
}

[[noreturn]] void ThrowWindowsError(DWORD error, const fs::path& target, const char* what)
{
    if (SharingViolation(error) || (error == ERROR_ACCESS_DENIED && OpenElsewhere(target)))
        ThrowOpenElsewhere();
    throw std::system_error(static_cast<int>(error), std::system_category(), what);
}

template <typename TStatusCall>
TEntryStatus StatusOrMissing(const fs::path& path, TStatusCall statusCall, const char* what)
{
    std::error_code error;
    const fs::file_status status = statusCall(path, error);
    if (status.type() == fs::file_type::not_found)
        return {};
    if (error)
        throw std::system_error(error, what);
    return StatusOf(path, status);
}

class TWindowsFile final : public TOpenFile {
public:
    explicit TWindowsFile(int fd) : fd_(fd) {}
    ~TWindowsFile() override
    {
        if (fd_ >= 0)
            _close(fd_);
    }
    TWindowsFile(const TWindowsFile&) = delete;
    TWindowsFile& operator=(const TWindowsFile&) = delete;

    TEntryStatus Status() override
    {
        struct _stat64 status {};
        ClearError();
        if (_fstat64(fd_, &status) != 0)
            ThrowLastError("fstat");
        TEntryStatus entry;
        entry.Exists = true;
        entry.Kind = (status.st_mode & _S_IFMT) == _S_IFREG   ? TFileKind::Regular
                     : (status.st_mode & _S_IFMT) == _S_IFDIR ? TFileKind::Folder
                     : (status.st_mode & _S_IFMT) == _S_IFCHR ? TFileKind::CharacterDevice
                                                              : TFileKind::Other;
        entry.Size = static_cast<std::uint64_t>(status.st_size);
        entry.Modified = std::int64_t{status.st_mtime} * 1000000000;
        return entry;
    }

    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        Seek(offset);
        std::size_t got = 0;
        while (got < size) {
            const unsigned part = static_cast<unsigned>(std::min<std::size_t>(size - got, 1u << 30));
            ClearError();
            const int n = _read(fd_, buffer + got, part);
            if (n < 0)
                ThrowLastError("read");
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

    void WriteAt(std::uint64_t offset, std::string_view bytes) override
    {
        Seek(offset);
        while (!bytes.empty()) {
            const unsigned part = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
            ClearError();
            const int written = _write(fd_, bytes.data(), part);
            if (written <= 0)
                ThrowLastError("write");
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    void Truncate(std::uint64_t size) override
    {
        ClearError();
        if (_chsize_s(fd_, static_cast<__int64>(size)) != 0)
            ThrowLastError("truncate");
    }

    void Reserve(std::uint64_t) override {}

    // Windows gives a new file its folder's owner and rights.
    bool TakeOwnerAndMode(const TEntryStatus&) override { return true; }

    void Sync() override
    {
        ClearError();
        if (_commit(fd_) != 0)
            ThrowLastError("commit");
    }

    void Close() override
    {
        const int fd = fd_;
        fd_ = -1;
        ClearError();
        if (_close(fd) != 0)
            ThrowLastError("close");
    }

private:
    void Seek(std::uint64_t offset)
    {
        ClearError();
        if (_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0)
            ThrowLastError("seek");
    }

    int fd_;
};

std::unique_ptr<TOpenFile> OpenFile(const fs::path& path, int flags, const char* what)
{
    ClearError();
    const int fd = _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        ThrowLastError(what);
    return std::make_unique<TWindowsFile>(fd);
}

class TWindowsFileSystem final : public TFileSystem {
public:
    TEntryStatus LinkStatus(const fs::path& path) override
    {
        return StatusOrMissing(path, [](const fs::path& p, std::error_code& e) { return fs::symlink_status(p, e); },
                               "status");
    }
    TEntryStatus Status(const fs::path& path) override
    {
        return StatusOrMissing(path, [](const fs::path& p, std::error_code& e) { return fs::status(p, e); }, "status");
    }
    fs::path ReadLink(const fs::path& link) override { return fs::read_symlink(link); }

    bool SameFile(const fs::path& a, const fs::path& b) override
    {
        std::error_code error;
        return fs::equivalent(a, b, error);
    }

    bool MayWrite(const fs::path&, const TEntryStatus& status) override
    {
        return (static_cast<fs::perms>(status.Mode) & fs::perms::owner_write) != fs::perms::none;
    }

    std::uint32_t EffectiveUser() override { return 0; }

    std::unique_ptr<TOpenFile> OpenToRead(const fs::path& path) override
    {
        // Shared for deletion too, so that reading never makes another
        // program's replacement of the file fail (the settings read by one
        // window while another saves them). That replacement holds the name
        // for a moment: an open refused meanwhile is tried again.
        constexpr int Tries = 50;
        for (int attempt = 1;; ++attempt) {
            const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
                if (fd < 0) {
                    CloseHandle(file);
                    throw std::system_error(std::make_error_code(std::errc::too_many_files_open), "open");
                }
                return std::make_unique<TWindowsFile>(fd);
            }
            const DWORD error = GetLastError();
            const bool momentary = error == ERROR_ACCESS_DENIED || SharingViolation(error);
            if (!momentary || attempt == Tries || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ||
                (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0)
                ThrowWindowsError(error, path, "open");
            Sleep(10);
        }
    }
    std::unique_ptr<TOpenFile> CreateNew(const fs::path& path) override
    {
        // fopen's "x" would say the same, but Windows' C run-time ignores it.
        return OpenFile(path, _O_WRONLY | _O_CREAT | _O_EXCL, "create");
    }
    std::unique_ptr<TOpenFile> OpenToRewrite(const fs::path& path) override
    {
        return OpenFile(path, _O_RDWR, "open");
    }

    void Rename(const fs::path& from, const fs::path& to) override
    {
        // The new file takes the old one's Hidden and System marks, as it
        // takes its permissions elsewhere (a read-only file is refused
        // before). Windows replaces no file that has them.
        constexpr DWORD Marks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        const DWORD old = GetFileAttributesW(to.c_str());
        const DWORD kept = old == INVALID_FILE_ATTRIBUTES ? 0 : old & Marks;
        if (kept != 0 && !SetFileAttributesW(to.c_str(), old & ~Marks))
            ThrowWindowsError(GetLastError(), to, "rename");
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            if (kept != 0)
                SetFileAttributesW(to.c_str(), old);
            ThrowWindowsError(error, to, "rename");
        }
        if (kept != 0) {
            const DWORD now = GetFileAttributesW(to.c_str());
            if (now != INVALID_FILE_ATTRIBUTES)
                SetFileAttributesW(to.c_str(), (now & ~FILE_ATTRIBUTE_NORMAL) | kept);
        }
    }

    void Remove(const fs::path& path) noexcept override
    {
        std::error_code ignored;
        fs::remove(path, ignored);
    }

    void SyncFolder(const fs::path&) override {}
};

constexpr int EndSignals[] = {SIGINT, SIGTERM};

}  // namespace

TFileSystem& SystemFileSystem()
{
    static TWindowsFileSystem files;
    return files;
}

// Windows delivers Ctrl+C on a thread of its own: there is no signal to
// hold, and no file size limit.
TEndSignalsHeld::TEndSignalsHeld() = default;
TEndSignalsHeld::~TEndSignalsHeld() = default;
TFileSizeSignalHeld::TFileSizeSignalHeld() = default;
TFileSizeSignalHeld::~TFileSizeSignalHeld() = default;

std::span<const int> EndSignalNumbers()
{
    return EndSignals;
}

void RemoveFileNow(const fs::path::value_type* path) noexcept
{
    _wunlink(path);
}

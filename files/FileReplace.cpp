#include "FileReplace.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <optional>
#include <string>
#include <system_error>

#include "FileKind.h"
#include "Utf8.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include "StdioFile.h"
#endif

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowError(int error, const char* what)
{
    throw std::system_error(error, std::generic_category(), what);
}

// A short name of its own, whatever the length of the target's name.
std::string TemporaryName()
{
    thread_local std::minstd_rand random{std::random_device{}()};
    constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".torem-";
    for (int i = 0; i < 6; ++i)
        name += digits[random() % (sizeof digits - 1)];
    return name;
}

fs::path FolderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// The temporary files that exist right now, for the signal handler: a few
// slots, each free, claimed by a replacement, or armed (its file exists).
enum : int { SlotFree, SlotClaimed, SlotArmed };
struct TPendingSlot {
    std::atomic<int> State{SlotFree};
    char Path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");
TPendingSlot pendingSlots[8];

}  // namespace

void RemovePendingTemporaryFiles() noexcept
{
#ifndef _WIN32
    for (TPendingSlot& slot : pendingSlots)
        if (slot.State.load(std::memory_order_acquire) == SlotArmed)
            ::unlink(slot.Path);
#endif
}

namespace {

extern "C" void RemoveTemporaryFilesAndEnd(int signal)
{
    RemovePendingTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt()
{
    for (const int signal : {SIGINT, SIGTERM}) {
        // A signal the process was started to ignore stays ignored.
        if (std::signal(signal, RemoveTemporaryFilesAndEnd) == SIG_IGN)
            std::signal(signal, SIG_IGN);
    }
}

#ifndef _WIN32

namespace {

constexpr int MaxSymbolicLinks = 40;  // as the system follows them

// What a target name comes to: the name actually written, its symbolic
// links followed, and what is there now.
struct TOutput {
    fs::path Path;
    bool Linked = false;
    bool Exists = false;
    struct stat Status {};
};

TOutput ResolveOutput(const fs::path& target)
{
    TOutput out{target};
    for (int links = 0;; ++links) {
        if (::lstat(out.Path.c_str(), &out.Status) != 0) {
            if (errno == ENOENT)  // a new name, maybe the target of a dangling link
                return out;
            ThrowError(errno, "lstat");
        }
        if (!S_ISLNK(out.Status.st_mode)) {
            out.Exists = true;
            return out;
        }
        if (links == MaxSymbolicLinks)
            ThrowError(ELOOP, "readlink");
        const fs::path next = fs::read_symlink(out.Path);
        out.Path = next.is_absolute() ? next : out.Path.parent_path() / next;
        out.Linked = true;
    }
}

// Write protection by the mode bits for the superuser, whom the system lets
// write anything; by the system's own judgement (ACLs included) for others.
bool WriteProtected(const TOutput& out)
{
    if (::geteuid() == 0)
        return (out.Status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return ::faccessat(AT_FDCWD, out.Path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

void CheckOutput(const TOutput& out, const fs::path& keep)
{
    if (!out.Exists)
        return;
    if (!S_ISREG(out.Status.st_mode))
        throw NotARegularFile(FileKindOfMode(out.Status.st_mode), out.Linked ? out.Path.string() : std::string());
    struct stat kept {};
    if (!keep.empty() && ::stat(keep.c_str(), &kept) == 0 && kept.st_dev == out.Status.st_dev &&
        kept.st_ino == out.Status.st_ino)
        throw EFileRefused(std::errc::invalid_argument, "it is the same file as " + Utf8FromPath(keep));
    if (WriteProtected(out))
        throw EFileRefused(std::errc::permission_denied, "it is write-protected");
}

// Holds SIGINT and SIGTERM back while a temporary file comes into being and
// is registered, so that the handler never misses one.
class TSignalsHeld {
public:
    TSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~TSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    TSignalsHeld(const TSignalsHeld&) = delete;
    TSignalsHeld& operator=(const TSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// A new file in a folder, removed when the object goes unless it has been
// renamed to its target.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const fs::path& folder)
    {
        const TSignalsHeld held;
        constexpr int attempts = 16;
        for (int i = 0; i < attempts && fd_ < 0; ++i) {
            path_ = (folder / TemporaryName()).string();
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0)
            ThrowError(errno, "create");
        Register();
    }

    ~TTemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            ::unlink(path_.c_str());
        if (slot_)
            slot_->State.store(SlotFree, std::memory_order_release);
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    void Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                ThrowError(errno, "write");
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    // The owner and group of the file replaced where the process may set
    // them (a group it belongs to, any owner for the superuser), then its
    // permission bits, which a change of owner would clear in part.
    void TakeOwnerAndMode(const struct stat& of)
    {
        if (::fchown(fd_, of.st_uid, of.st_gid) != 0)
            (void)::fchown(fd_, static_cast<uid_t>(-1), of.st_gid);
        if (::fchmod(fd_, of.st_mode & 07777) != 0)
            ThrowError(errno, "chmod");
    }

    void SyncAndClose()
    {
        if (::fsync(fd_) != 0)
            ThrowError(errno, "fsync");
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            ThrowError(errno, "close");
    }

    void RenameTo(const fs::path& target)
    {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            ThrowError(errno, "rename");
        renamed_ = true;
    }

private:
    void Register()
    {
        if (path_.size() >= sizeof(TPendingSlot::Path))
            return;
        for (TPendingSlot& slot : pendingSlots) {
            int free = SlotFree;
            if (slot.State.compare_exchange_strong(free, SlotClaimed, std::memory_order_acq_rel)) {
                std::memcpy(slot.Path, path_.c_str(), path_.size() + 1);
                slot.State.store(SlotArmed, std::memory_order_release);
                slot_ = &slot;
                return;
            }
        }
    }

    int fd_ = -1;
    std::string path_;
    bool renamed_ = false;
    TPendingSlot* slot_ = nullptr;
};

// A writable file in a folder the user may not write: no new file can be
// made beside it, so its own bytes are replaced, as a direct write would do.
// Its inode stays, and with it its mode, owner and hard links.
void WriteInPlace(const fs::path& path, std::string_view bytes)
{
    const TSignalsHeld held;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        ThrowError(errno, "open");
    int error = 0;
    for (std::string_view left = bytes; error == 0 && !left.empty();) {
        const ssize_t written = ::write(fd, left.data(), left.size());
        if (written < 0 && errno != EINTR)
            error = errno;
        else if (written > 0)
            left.remove_prefix(static_cast<std::size_t>(written));
    }
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ThrowError(error, "write");
}

bool FolderRefusesNewFiles(const std::error_code& error)
{
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

// The new directory entry reaches the disk too, not only the file's bytes.
void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        ThrowError(errno, "open folder");
    // Some file systems cannot sync a folder; they say EINVAL.
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    if (error != 0)
        ThrowError(error, "fsync folder");
}

}  // namespace

bool OutputNameTaken(const fs::path& target)
{
    struct stat status {};
    return ::lstat(target.c_str(), &status) == 0;
}

void CheckOutputFile(const fs::path& target, const fs::path& keep)
{
    CheckOutput(ResolveOutput(target), keep);
}

void ReplaceFileContents(const fs::path& target, std::string_view bytes, const fs::path& keep)
{
    const TOutput out = ResolveOutput(target);
    CheckOutput(out, keep);
    const fs::path folder = FolderOf(out.Path);
    std::optional<TTemporaryFile> made;
    try {
        made.emplace(folder);
    } catch (const std::system_error& e) {
        if (!out.Exists || !FolderRefusesNewFiles(e.code()))
            throw;
        WriteInPlace(out.Path, bytes);
        return;
    }
    TTemporaryFile& temporary = *made;
    temporary.Write(bytes);
    if (out.Exists)
        temporary.TakeOwnerAndMode(out.Status);
    temporary.SyncAndClose();
    // Whatever took the name while the bytes were written is judged again.
    const TOutput now = ResolveOutput(target);
    CheckOutput(now, keep);
    temporary.RenameTo(now.Path);
    SyncFolder(FolderOf(now.Path));
}

#else  // Windows: the same steps through the standard library and the C run-time's wide calls.

bool OutputNameTaken(const fs::path& target)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(target, error));
}

void CheckOutputFile(const fs::path& target, const fs::path& keep)
{
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (!fs::exists(status))
        return;
    if (!fs::is_regular_file(status))
        throw NotARegularFile(fs::is_directory(status) ? TFileKind::Folder : TFileKind::Other);
    if (!keep.empty() && fs::equivalent(target, keep, error))
        throw EFileRefused(std::errc::invalid_argument, "it is the same file as " + Utf8FromPath(keep));
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw EFileRefused(std::errc::permission_denied, "it is write-protected");
}

void ReplaceFileContents(const fs::path& target, std::string_view bytes, const fs::path& keep)
{
    CheckOutputFile(target, keep);
    fs::path temporary;
    TFileHandle file;
    std::error_code error;
    for (int i = 0; i < 16 && !file; ++i) {
        temporary = FolderOf(target) / TemporaryName();
        file = CreateNewFile(temporary);
        if (!file) {
            error = LastFileError();
            if (!OutputNameTaken(temporary))
                break;  // not a name taken: another name would fail alike
        }
    }
    if (!file)
        throw std::system_error(error, "create");
    try {
        ClearFileError();
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0 ||
            !SyncFile(file.get()))
            throw std::system_error(LastFileError(), "write");
        if (!CloseFile(file))
            throw std::system_error(LastFileError(), "close");
        fs::rename(temporary, target);
    } catch (...) {
        file.reset();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

#endif

#include "FileReplace.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "FileKind.h"
#include "FileSystem.h"
#include "Utf8.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowError(std::errc error, const char* what)
{
    throw std::system_error(std::make_error_code(error), what);
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
    fs::path::value_type Path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");
TPendingSlot pendingSlots[8];

}  // namespace

void RemovePendingTemporaryFiles() noexcept
{
    for (TPendingSlot& slot : pendingSlots)
        if (slot.State.load(std::memory_order_acquire) == SlotArmed)
            RemoveFileNow(slot.Path);
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
    for (const int signal : EndSignalNumbers()) {
        // A signal the process was started to ignore stays ignored.
        if (std::signal(signal, RemoveTemporaryFilesAndEnd) == SIG_IGN)
            std::signal(signal, SIG_IGN);
    }
}

namespace {

constexpr int MaxSymbolicLinks = 40;  // as the system follows them

// What a target name comes to: the name actually written, its symbolic
// links followed, and what is there now.
struct TOutput {
    fs::path Path;
    bool Linked = false;
    TEntryStatus Status;
};

// The kernel's guard against links planted in folders anyone may write
// (fs.protected_symlinks), which following links ourselves would pass by:
// in a sticky folder that others may write, a link is followed only when
// the process or the folder's owner owns it.
void CheckLinkMayBeFollowed(TFileSystem& files, const fs::path& link, const TEntryStatus& status)
{
    const fs::path folder = FolderOf(link);
    const TEntryStatus around = files.Status(folder);
    constexpr std::uint32_t StickyAndOthersWrite = 01002;
    if ((around.Mode & StickyAndOthersWrite) != StickyAndOthersWrite || status.Owner == files.EffectiveUser() ||
        status.Owner == around.Owner)
        return;
    throw EFileRefused(std::errc::permission_denied,
                       "it is a symbolic link in " + Utf8FromPath(folder) +
                           ", a folder anyone may write, and belongs to neither you nor the folder's owner");
}

TOutput ResolveOutput(TFileSystem& files, const fs::path& target)
{
    TOutput out{target, false, {}};
    for (int links = 0;; ++links) {
        out.Status = files.LinkStatus(out.Path);
        // A new name, maybe the target of a dangling link, or a file.
        if (!out.Status.Exists || out.Status.Kind != TFileKind::Link)
            return out;
        if (links == MaxSymbolicLinks)
            ThrowError(std::errc::too_many_symbolic_link_levels, "readlink");
        CheckLinkMayBeFollowed(files, out.Path, out.Status);
        const fs::path next = files.ReadLink(out.Path);
        out.Path = next.is_absolute() ? next : out.Path.parent_path() / next;
        out.Linked = true;
    }
}

void CheckOutput(TFileSystem& files, const TOutput& out, const fs::path& keep)
{
    if (!out.Status.Exists) {
        // A new name where only the kernel makes files: it would say "No
        // such file or directory".
        const TEntryStatus folder = files.Status(FolderOf(out.Path));
        if (folder.KernelFileSystem)
            throw OnKernelFileSystem(folder.KernelFileSystem);
        return;
    }
    if (out.Status.Kind != TFileKind::Regular)
        throw NotARegularFile(out.Status.Kind, out.Linked ? out.Path.string() : std::string());
    // The kernel calls its attributes regular files.
    if (out.Status.KernelFileSystem)
        throw OnKernelFileSystem(out.Status.KernelFileSystem);
    if (!keep.empty() && files.SameFile(keep, out.Path))
        throw EFileRefused(std::errc::invalid_argument, "it is the same file as " + Utf8FromPath(keep));
    if (!files.MayWrite(out.Path, out.Status))
        throw EFileRefused(std::errc::permission_denied, "it is write-protected");
}

// A new file in a folder, removed when the object goes unless it has been
// renamed to its target.
class TTemporaryFile {
public:
    TTemporaryFile(TFileSystem& files, const fs::path& folder) : files_(files)
    {
        const TEndSignalsHeld held;
        constexpr int attempts = 16;
        for (int i = 0; !file_; ++i) {
            path_ = folder / TemporaryName();
            try {
                file_ = files_.CreateNew(path_);
            } catch (const std::system_error& e) {
                if (e.code() != std::errc::file_exists || i + 1 == attempts)
                    throw;
            }
        }
        Register();
    }

    ~TTemporaryFile()
    {
        file_.reset();
        if (!renamed_)
            files_.Remove(path_);
        if (slot_)
            slot_->State.store(SlotFree, std::memory_order_release);
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    TOpenFile& File() { return *file_; }

    void SyncAndClose()
    {
        file_->Sync();
        const std::unique_ptr<TOpenFile> file = std::move(file_);
        file->Close();
    }

    void RenameTo(const fs::path& target)
    {
        files_.Rename(path_, target);
        renamed_ = true;
    }

private:
    void Register()
    {
        const fs::path::string_type& name = path_.native();
        if (name.size() >= std::size(TPendingSlot{}.Path))
            return;
        for (TPendingSlot& slot : pendingSlots) {
            int free = SlotFree;
            if (slot.State.compare_exchange_strong(free, SlotClaimed, std::memory_order_acq_rel)) {
                std::memcpy(slot.Path, name.c_str(), (name.size() + 1) * sizeof name[0]);
                slot.State.store(SlotArmed, std::memory_order_release);
                slot_ = &slot;
                return;
            }
        }
    }

    TFileSystem& files_;
    fs::path path_;
    std::unique_ptr<TOpenFile> file_;
    bool renamed_ = false;
    TPendingSlot* slot_ = nullptr;
};

// The largest file written in place: its old bytes are kept in memory, to
// be put back should writing fail. Far above any file the programs write.
constexpr std::uint64_t MaxInPlaceBytes = std::uint64_t{64} << 20;

// A file of which no new copy can take the place (no new file can be made
// in its folder, or the copy could not be given its owner) has its own
// bytes replaced, as a direct write would do: its inode stays, and with it
// its mode, owner and hard links. Its old bytes are read first and put back
// after any failure, and the room for the new ones is made before the
// first byte is written, so that a full disk refuses the write before it
// starts.
void WriteInPlace(TFileSystem& files, const TOutput& out, std::string_view bytes, const char* why)
{
    const TEndSignalsHeld held;
    std::unique_ptr<TOpenFile> file;
    try {
        file = files.OpenToRewrite(out.Path);
    } catch (const std::system_error& e) {
        if (e.code() != std::errc::permission_denied)
            throw;
        throw EFileRefused(std::errc::permission_denied,
                           std::string(why) + ", and it cannot be read to be put back should writing it fail");
    }
    const TEntryStatus now = file->Status();
    // Whatever took the name since it was judged is judged again.
    if (now.Kind != TFileKind::Regular || now.Device != out.Status.Device || now.Inode != out.Status.Inode)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "it changed while it was being replaced");
    if (now.Size > MaxInPlaceBytes)
        throw EFileRefused(std::errc::file_too_large,
                           std::string(why) + ", and at " + std::to_string(now.Size) +
                               " bytes it is too large to be kept while it is written over");
    std::string old(static_cast<std::size_t>(now.Size), '\0');
    if (file->ReadAt(0, old.data(), old.size()) != old.size())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "it changed while it was being replaced");
    file->Reserve(bytes.size());

    const auto write = [&](std::string_view content) {
        file->WriteAt(0, content);
        file->Truncate(content.size());
        file->Sync();
    };
    bool open = true;
    try {
        write(bytes);
        open = false;
        file->Close();
    } catch (const std::system_error& failure) {
        try {
            if (!open)
                file = files.OpenToRewrite(out.Path);
            write(old);
            file->Close();
        } catch (const std::system_error& restore) {
            throw EFileRefused(std::errc::io_error, "writing it failed (" + failure.code().message() +
                                                        "), and so did putting its old content back (" +
                                                        restore.code().message() + ")");
        }
        throw;
    }
}

bool FolderRefusesNewFiles(const std::error_code& error)
{
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

}  // namespace

bool OutputNameTaken(const fs::path& target)
{
    return SystemFileSystem().LinkStatus(target).Exists;
}

void CheckOutputFile(const fs::path& target, const fs::path& keep)
{
    TFileSystem& files = SystemFileSystem();
    CheckOutput(files, ResolveOutput(files, target), keep);
}

void ReplaceFileContents(const fs::path& target, std::string_view bytes, const fs::path& keep)
{
    ReplaceFileContents(SystemFileSystem(), target, bytes, keep);
}

void ReplaceFileContents(TFileSystem& files, const fs::path& target, std::string_view bytes, const fs::path& keep)
{
    const TFileSizeSignalHeld fileSize;
    const TOutput out = ResolveOutput(files, target);
    CheckOutput(files, out, keep);
    const fs::path folder = FolderOf(out.Path);
    std::optional<TTemporaryFile> made;
    try {
        made.emplace(files, folder);
    } catch (const std::system_error& e) {
        if (!out.Status.Exists || !FolderRefusesNewFiles(e.code()))
            throw;
        WriteInPlace(files, out, bytes, "its folder takes no new file");
        return;
    }
    TTemporaryFile& temporary = *made;
    if (out.Status.Exists && !temporary.File().TakeOwnerAndMode(out.Status)) {
        // A copy would change the file's owner behind the user's back.
        made.reset();
        WriteInPlace(files, out, bytes, "a copy of it cannot be given its owner");
        return;
    }
    temporary.File().WriteAt(0, bytes);
    temporary.SyncAndClose();
    // Whatever took the name while the bytes were written is judged again.
    const TOutput now = ResolveOutput(files, target);
    CheckOutput(files, now, keep);
    temporary.RenameTo(now.Path);
    files.SyncFolder(FolderOf(now.Path));
}

#pragma once
// The system's file system with failures where a test asks for them: new
// files refused (as in a folder the user may not write), and the n-th step
// of writing an open file failing, or a hook running, so that every failure
// of a replacement can be tried.

#include <functional>
#include <memory>
#include <system_error>

#include "FileSystem.h"

// The steps of writing an open file, as they are counted.
enum class TFileStep { Reserve, Write, Truncate, Sync, Close };

class TFaultyFileSystem : public TFileSystem {
public:
    // CreateNew fails with this error when set.
    std::error_code CreateNewFails;
    // The step of this kind whose number (from 1, counted over every file
    // opened) is FailAt fails with FailWith; 0 for none.
    TFileStep FailStep = TFileStep::Write;
    int FailAt = 0;
    int FailAgainAt = 0;  // a second failure of the same kind, 0 for none
    std::error_code FailWith = std::make_error_code(std::errc::no_space_on_device);
    // Runs before every write.
    std::function<void()> BeforeWrite;

    TEntryStatus LinkStatus(const std::filesystem::path& path) override { return system_.LinkStatus(path); }
    TEntryStatus Status(const std::filesystem::path& path) override { return system_.Status(path); }
    std::filesystem::path ReadLink(const std::filesystem::path& link) override { return system_.ReadLink(link); }
    bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) override
    {
        return system_.SameFile(a, b);
    }
    bool MayWrite(const std::filesystem::path& path, const TEntryStatus& status) override
    {
        return system_.MayWrite(path, status);
    }
    std::uint32_t EffectiveUser() override { return system_.EffectiveUser(); }
    std::unique_ptr<TOpenFile> OpenToRead(const std::filesystem::path& path) override
    {
        return system_.OpenToRead(path);
    }
    std::unique_ptr<TOpenFile> CreateNew(const std::filesystem::path& path) override;
    std::unique_ptr<TOpenFile> OpenToRewrite(const std::filesystem::path& path) override;
    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        system_.Rename(from, to);
    }
    void Remove(const std::filesystem::path& path) noexcept override { system_.Remove(path); }
    void SyncFolder(const std::filesystem::path& folder) override { system_.SyncFolder(folder); }

    // Called by the files this one opens.
    void Step(TFileStep step);

private:
    std::unique_ptr<TOpenFile> Wrap(std::unique_ptr<TOpenFile> file);

    TFileSystem& system_ = SystemFileSystem();
    int counts_[5] = {};
};

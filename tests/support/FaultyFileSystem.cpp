#include "FaultyFileSystem.h"

namespace fs = std::filesystem;

namespace {

class TFaultyFile final : public TOpenFile {
public:
    TFaultyFile(TFaultyFileSystem& files, std::unique_ptr<TOpenFile> file) : files_(files), file_(std::move(file)) {}

    TEntryStatus Status() override { return file_->Status(); }
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        return file_->ReadAt(offset, buffer, size);
    }
    // A failed write has written some of its bytes, as on a disk that fills.
    void WriteAt(std::uint64_t offset, std::string_view bytes) override
    {
        try {
            files_.Step(TFileStep::Write);
        } catch (const std::system_error&) {
            file_->WriteAt(offset, bytes.substr(0, bytes.size() / 2));
            throw;
        }
        file_->WriteAt(offset, bytes);
    }
    void Truncate(std::uint64_t size) override
    {
        files_.Step(TFileStep::Truncate);
        file_->Truncate(size);
    }
    void Reserve(std::uint64_t size) override
    {
        files_.Step(TFileStep::Reserve);
        file_->Reserve(size);
    }
    bool TakeOwnerAndMode(const TEntryStatus& of) override { return file_->TakeOwnerAndMode(of); }
    void Sync() override
    {
        files_.Step(TFileStep::Sync);
        file_->Sync();
    }
    void Close() override
    {
        // Closed whatever is reported, as the system closes it.
        file_->Close();
        files_.Step(TFileStep::Close);
    }

private:
    TFaultyFileSystem& files_;
    std::unique_ptr<TOpenFile> file_;
};

}  // namespace

std::unique_ptr<TOpenFile> TFaultyFileSystem::CreateNew(const fs::path& path)
{
    if (CreateNewFails)
        throw std::system_error(CreateNewFails, "create");
    return Wrap(system_.CreateNew(path));
}

std::unique_ptr<TOpenFile> TFaultyFileSystem::OpenToRewrite(const fs::path& path)
{
    return Wrap(system_.OpenToRewrite(path));
}

std::unique_ptr<TOpenFile> TFaultyFileSystem::Wrap(std::unique_ptr<TOpenFile> file)
{
    return std::make_unique<TFaultyFile>(*this, std::move(file));
}

void TFaultyFileSystem::Step(TFileStep step)
{
    if (step == TFileStep::Write && BeforeWrite)
        BeforeWrite();
    const int count = ++counts_[static_cast<int>(step)];
    if (step == FailStep && (count == FailAt || count == FailAgainAt))
        throw std::system_error(FailWith, "injected");
}

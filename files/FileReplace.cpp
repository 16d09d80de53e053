#include "FileReplace.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#include "StdioFile.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowFileError(const char* what)
{
    throw std::system_error(LastFileError(), what);
}

// Creates a file that did not exist before, named after the target, in the
// target's directory (a rename within one directory cannot cross devices).
// A random part keeps two running instances from sharing one.
TFileHandle CreateFileBeside(const fs::path& target, fs::path& created)
{
    // Clock-seeded: a clash only costs another attempt.
    std::minstd_rand random(static_cast<std::uint_fast32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    constexpr int attempts = 16;
    for (int i = 0; i < attempts; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        created = target;
        created += suffix;
        // "x": fail rather than reuse a file that is already there.
        TFileHandle file = OpenFile(created, "wbx");
        if (file)
            return file;
        if (LastFileError() != std::errc::file_exists)
            break;
    }
    ThrowFileError("create");
}

}  // namespace

void ReplaceFileContents(const fs::path& target, std::string_view bytes)
{
    fs::path temp;
    TFileHandle file = CreateFileBeside(target, temp);
    try {
        ClearFileError();
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
            ThrowFileError("write");
        ClearFileError();
        if (std::fflush(file.get()) != 0)
            ThrowFileError("flush");
        if (!SyncFile(file.get()))
            ThrowFileError("sync");
        if (!CloseFile(file))
            ThrowFileError("close");
        fs::rename(temp, target);
    } catch (...) {
        file.reset();
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

#include "ExecutablePath.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace {
std::filesystem::path ExecutableFile()
{
    // The path may be longer than MAX_PATH; grow until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "GetModuleFileNameW");
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}
}  // namespace

#else

namespace {
std::filesystem::path ExecutableFile()
{
    // Linux keeps the executable's full path as the target of this link.
    return std::filesystem::read_symlink("/proc/self/exe");
}
}  // namespace

#endif

std::filesystem::path ExecutableDirectory()
{
    return ExecutableFile().parent_path();
}

// The state of entries through the standard library: Windows has no
// FIFOs, sockets or devices among its files.

#include "SpecialFiles.h"

#include <filesystem>
#include <system_error>

TEntryState EntryState(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error || !fs::exists(status))
        return {};
    const bool regular = fs::is_regular_file(status);
    return TEntryState{true, static_cast<unsigned>(status.type()), 0,
                       regular ? static_cast<long long>(fs::file_size(path)) : 0,
                       static_cast<long long>(fs::last_write_time(path).time_since_epoch().count())};
}

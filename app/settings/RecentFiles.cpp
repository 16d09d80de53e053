#include "RecentFiles.h"

#include <algorithm>
#include <system_error>

#include "FileReplace.h"
#include "InputFile.h"
#include "SettingsErrors.h"

namespace fs = std::filesystem;

fs::path RecentFilesPath(const fs::path& settingsFile)
{
    return settingsFile.parent_path() / RecentFilesName;
}

std::vector<std::string> LoadRecentFiles(const fs::path& file)
{
    std::string bytes(RecentFilesMaxBytes, '\0');
    try {
        std::error_code error;
        if (!fs::exists(file, error) && !error)
            return {};
        TInputFile in = OpenInputFile(file);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const std::size_t more = ReadInputFile(in, got, bytes.data() + got, bytes.size() - got);
            if (more == 0)
                break;
            got += more;
        }
        in.File->Close();
        bytes.resize(got);
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < bytes.size() && paths.size() < RecentFilesKept) {
        std::size_t end = bytes.find('\n', start);
        // A line cut by the size bound is no path.
        if (end == std::string::npos && bytes.size() == RecentFilesMaxBytes)
            break;
        end = std::min(end, bytes.size());
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && std::find(paths.begin(), paths.end(), line) == paths.end())
            paths.push_back(line);
        start = end + 1;
    }
    return paths;
}

void SaveRecentFiles(const std::vector<std::string>& paths, const fs::path& file)
{
    std::string text;
    for (const std::string& path : paths)
        text += path + "\r\n";
    try {
        ReplaceFileContents(file, text);
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
}

void AddRecentFile(std::vector<std::string>& paths, const std::string& path)
{
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    paths.insert(paths.begin(), path);
    if (paths.size() > RecentFilesKept)
        paths.resize(RecentFilesKept);
}

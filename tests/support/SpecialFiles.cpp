#include "SpecialFiles.h"

#include <filesystem>

int LeftoverTemporaryFiles(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".torem-", 0) == 0)
            ++count;
    return count;
}

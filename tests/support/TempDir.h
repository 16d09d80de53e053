#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.

#include <filesystem>
#include <string>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The UTF-8 path of name (UTF-8) in the folder, as the programs take
    // file names.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Whole-file helpers for tests; paths in UTF-8.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

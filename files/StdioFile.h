#pragma once
// C stdio files opened by std::filesystem::path (wide paths on Windows),
// closed when the handle goes, with the system's error code of a failure.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

struct TFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// fopen with a path; an empty handle on failure (see LastFileError).
TFileHandle OpenFile(const std::filesystem::path& path, const char* mode);

// A new file, open for writing bytes, made only where nothing goes by the
// name yet; an empty handle otherwise (see LastFileError). fopen's "x" mode
// would say the same, but Windows' C run-time ignores it.
TFileHandle CreateNewFile(const std::filesystem::path& path);

// Forgets the last error, so that LastFileError tells about the next call.
void ClearFileError();

// The error of the last failed stdio call on this thread, never "no error".
std::error_code LastFileError();

// Closes the file and reports whether everything written reached the system.
// The handle is empty afterwards in every case.
bool CloseFile(TFileHandle& file);

// Asks the system to put the file's written bytes on the disk.
bool SyncFile(std::FILE* file);

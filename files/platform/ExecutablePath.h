#pragma once
// Where the running program lives, whatever the working directory is.

#include <filesystem>

// The directory that holds the running executable. Throws std::system_error
// with the system's error code when the system cannot tell.
std::filesystem::path ExecutableDirectory();

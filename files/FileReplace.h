#pragma once
// Replacing a small file so that it is never left half written: the new
// content goes to a fresh file beside the old one, reaches the disk, and only
// then takes the old one's place.

#include <filesystem>
#include <string_view>

// Makes target hold exactly bytes. On failure the previous target (if any) is
// untouched, no temporary file is left behind, and std::system_error carries
// the system's error code.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes);

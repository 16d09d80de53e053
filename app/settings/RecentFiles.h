#pragma once
// The MIDI files chosen last, for the File menu: kept in a file of their own
// beside the settings file, one UTF-8 path a line, the latest first, so that
// the settings file keeps its 17 lines.
//
// Failures throw EInOutError naming the file, as the settings file's do.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr char RecentFilesName[] = "TOREMMidiToSeqBridge.recent";
inline constexpr std::size_t RecentFilesKept = 6;
// What is read of the file at most: a list of RecentFilesKept paths is far
// shorter; a larger file is no list of ours.
inline constexpr std::size_t RecentFilesMaxBytes = 64 * 1024;

// The list's file beside the settings file.
std::filesystem::path RecentFilesPath(const std::filesystem::path& settingsFile);

// The paths the file holds, at most RecentFilesKept, empty lines skipped;
// none when there is no file. Only a regular file is read, and only its
// first RecentFilesMaxBytes.
std::vector<std::string> LoadRecentFiles(const std::filesystem::path& file);

// Replaces the file with the paths, CR LF after each, as the settings file
// is replaced: whole or not at all.
void SaveRecentFiles(const std::vector<std::string>& paths, const std::filesystem::path& file);

// Puts path first in paths, once, and keeps RecentFilesKept of them.
void AddRecentFile(std::vector<std::string>& paths, const std::string& path);

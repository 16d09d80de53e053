#pragma once
// The user's eight saved choices, kept in "TOREMMidiToSeqBridge.cfg" beside
// the executable or in the user's settings folder (SettingsLocation.h): read
// once at start-up, written once at shut-down.
//
// Texts are UTF-8 in the program. Elsewhere they are written byte for byte;
// on Windows in Windows-1252 when they fit it, as the earlier tool wrote
// them, otherwise in UTF-8, and a file that is no valid UTF-8 is read as
// Windows-1252.
//
// Failures throw EInOutError or EConvertError (both ESettingsError), whose
// what() is the text to show the user.

#include <cstdint>
#include <filesystem>

#include "AppSettings.h"
#include "SettingsErrors.h"

inline constexpr char SettingsFileName[] = "TOREMMidiToSeqBridge.cfg";

// SettingsFileName beside the executable when it is there or can be made
// there, otherwise in the user's settings folder (made when missing); the
// working directory plays no part. Throws EInOutError when the system cannot
// tell where the executable is or the user's folder cannot be made.
std::filesystem::path SettingsFilePath();

// Reads the saved fields of settings from the file. A missing file is first
// written from the current values of settings, then read. Returns
// LanguageIndex, the language the window's menu is to check.
// On failure the fields read before the failing line already hold their new
// values (LanguageIndex included) and the later ones are unchanged; the file
// is closed in every case.
std::uint8_t LoadSettings(AppSettings& settings);
std::uint8_t LoadSettings(AppSettings& settings, const std::filesystem::path& file);

// Writes the saved fields of settings, replacing the previous file only once
// the new one is complete, so that a failure never destroys it.
void SaveSettings(const AppSettings& settings);
void SaveSettings(const AppSettings& settings, const std::filesystem::path& file);

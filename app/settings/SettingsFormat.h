#pragma once
// The 17 lines of the settings file: label and value lines in a fixed order,
// recognised by position alone. Nothing here touches the file system.

#include <cstdint>
#include <string>
#include <string_view>

#include "AppSettings.h"
#include "TextLineReader.h"

inline constexpr int SettingsLines = 17;

// The whole line as a signed 32-bit integer: an optional sign followed by
// decimal digits, nothing else. Throws EConvertError otherwise (also for the
// empty line).
std::int32_t StrToInt(const std::string& line);

// Reads the eight saved fields from the first 17 lines, each field taking its
// value as soon as its line is read, so a failure part-way leaves the earlier
// fields replaced and the later ones as they were. Numbers are stored in the
// low 16 or 8 bits, out-of-range values as read. Returns LanguageIndex (1 or
// 2). Throws EConvertError for a numeric line that is no integer; failures of
// the reader pass through.
std::uint8_t ReadSettings(AppSettings& settings, TTextLineReader& reader);

// The file's bytes: the 17 lines, each ended by CR LF. Texts are written as
// they are, byte for byte.
std::string FormatSettings(const AppSettings& settings);

// The file's text as the program holds it (UTF-8) from its bytes on Windows:
// the bytes themselves when they are valid UTF-8, otherwise read as
// Windows-1252, in which the earlier tool wrote them.
std::string SettingsTextFromWindowsFile(std::string_view bytes);

// The file's bytes on Windows: Windows-1252, which the earlier tool reads,
// when every character has a byte there and the bytes read back as the
// same text; otherwise the UTF-8 text itself.
std::string WindowsFileFromSettingsText(const std::string& text);

#pragma once
// Windows-1252, the ANSI code page of Western Windows systems, in which the
// earlier tool wrote its settings file.

#include <optional>
#include <string>
#include <string_view>

// Every byte has a character: 0x80-0x9F the typographic ones of Windows-1252
// (the euro sign, quotes, dashes...), the five it leaves undefined the C1
// controls of the same number, as Windows itself reads them.
std::string Utf8FromWindows1252(std::string_view text);

// The Windows-1252 bytes of UTF-8 text; nothing when the text is no valid
// UTF-8 or holds a character that Windows-1252 has not.
std::optional<std::string> Windows1252FromUtf8(std::string_view text);

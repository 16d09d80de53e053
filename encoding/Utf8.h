#pragma once
// Text inside the program is UTF-8, on every system. Windows' own calls take
// UTF-16 (wchar_t); these conversions are the only way between the two, so
// that no text goes through the ANSI code page.

#include <filesystem>
#include <string>
#include <string_view>

// Whether text is well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text);

// UTF-8 to the system's wide characters (UTF-16 on Windows, UTF-32
// elsewhere) and back. A malformed sequence, or an unpaired surrogate,
// becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// A path from a UTF-8 name, and a path's UTF-8 name: wide on Windows, the
// bytes as they are elsewhere.
std::filesystem::path PathFromUtf8(std::string_view name);
std::string Utf8FromPath(const std::filesystem::path& path);

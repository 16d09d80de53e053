#include "Windows1252.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "Utf8.h"

namespace {

// The characters of bytes 0x80 to 0x9F; the others are ISO 8859-1, the byte
// itself.
constexpr std::array<char32_t, 32> High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::string Utf8FromWindows1252(std::string_view text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        wide += static_cast<wchar_t>(byte >= 0x80 && byte <= 0x9F ? High[byte - 0x80u] : byte);
    }
    return Utf8FromWide(wide);
}

std::optional<std::string> Windows1252FromUtf8(std::string_view text)
{
    if (!IsValidUtf8(text))
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t c : WideFromUtf8(text)) {
        // (Beyond U+FFFF: a surrogate on Windows, which the table has not.)
        const auto point = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
        if (point < 0x80 || (point >= 0xA0 && point <= 0xFF)) {
            bytes += static_cast<char>(point);
            continue;
        }
        const auto found = std::find(High.begin(), High.end(), point);
        if (found == High.end())
            return std::nullopt;
        bytes += static_cast<char>(0x80 + std::distance(High.begin(), found));
    }
    return bytes;
}

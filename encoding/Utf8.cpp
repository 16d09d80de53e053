#include "Utf8.h"

#include <cstdint>

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The code point that starts at text[at], and where the next one starts;
// Replacement for a malformed sequence, which is skipped one byte at a time.
char32_t Decode(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;  // the smallest code point that needs this length
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        point = lead & 0x1Fu;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        point = lead & 0x0Fu;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        point = lead & 0x07u;
        least = 0x10000;
    } else {
        return Replacement;
    }
    if (text.size() - at < length)
        return Replacement;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte))
            return Replacement;
        point = (point << 6) | (byte & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return Replacement;
    at += length;
    return point;
}

void Encode(char32_t point, std::string& out)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        // A replacement character written as such is valid; one made up for a
        // bad sequence moves on by a single byte.
        if (Decode(text, at) == Replacement && at == start + 1)
            return false;
    }
    return true;
}

std::wstring WideFromUtf8(std::string_view text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char32_t point = Decode(text, at);
        if constexpr (sizeof(wchar_t) == 2) {
            if (point >= 0x10000) {
                wide += static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10));
                wide += static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
                continue;
            }
        }
        wide += static_cast<wchar_t>(point);
    }
    return wide;
}

std::string Utf8FromWide(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto point = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
        if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size()) {
            const auto low = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                point = 0x10000 + ((point - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            point = Replacement;
        Encode(point, out);
    }
    return out;
}

std::filesystem::path PathFromUtf8(std::string_view name)
{
#ifdef _WIN32
    return std::filesystem::path(WideFromUtf8(name));
#else
    return std::filesystem::path(std::string(name));
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return Utf8FromWide(path.native());
#else
    return path.native();
#endif
}

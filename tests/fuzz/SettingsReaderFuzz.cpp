// Any bytes in the settings file give either settings or one of the two
// settings errors, the same whatever size the reads come in; and settings
// that were read are written and read back unchanged.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "SettingsErrors.h"
#include "SettingsFormat.h"

namespace {

using TOutcome = std::tuple<std::string, std::uint8_t, std::string, std::uint16_t, std::string, std::string,
                            std::string, std::uint8_t, std::uint8_t>;

TOutcome Read(std::string_view bytes, std::size_t chunk)
{
    std::size_t at = 0;
    TTextLineReader reader([&](char* buf, std::size_t size) {
        const std::size_t n = std::min(size, bytes.size() - at);
        bytes.copy(buf, n, at);
        at += n;
        return n;
    }, chunk);
    AppSettings s;
    std::string error;
    try {
        if (ReadSettings(s, reader) != s.LanguageIndex)
            __builtin_trap();
    } catch (const ESettingsError& e) {
        error = e.what();
    }
    return {error, s.LanguageIndex, s.MidiFileName, s.ResolutionMs, s.SeqFileName, s.ComPortName,
            s.MidiInPortName, s.MidiMode, s.TransposeIndex};
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n\x1A") != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TOutcome whole = Read(bytes, 4096);
    if (Read(bytes, 1) != whole || Read(bytes, 3) != whole)
        __builtin_trap();

    if (std::get<0>(whole).empty()) {
        AppSettings s;
        std::tie(std::ignore, s.LanguageIndex, s.MidiFileName, s.ResolutionMs, s.SeqFileName, s.ComPortName,
                 s.MidiInPortName, s.MidiMode, s.TransposeIndex) = whole;
        if (!HasLineBreak(s.MidiFileName) && !HasLineBreak(s.SeqFileName) && !HasLineBreak(s.ComPortName) &&
            !HasLineBreak(s.MidiInPortName) && Read(FormatSettings(s), 4096) != whole)
            __builtin_trap();
    }
    return 0;
}

#include "SettingsFormat.h"

#include <array>
#include <limits>
#include <optional>
#include <string_view>

#include "SettingsErrors.h"
#include "Text.h"
#include "Utf8.h"
#include "Windows1252.h"

namespace {

constexpr std::string_view Header = "Settings File of TOREM Midi To TOREM Sequence Bridge";
constexpr std::string_view LanguageLabel = "Language :";
constexpr std::string_view MidiFileLabel = "Midi File :";
constexpr std::string_view ResolutionLabel = "Resolution :";
constexpr std::string_view SeqFileLabel = "Seq File :";
constexpr std::string_view ComPortLabel = "Port COM :";
constexpr std::string_view MidiInPortLabel = "Port Midi In :";
constexpr std::string_view ModeLabel = "Mode :";
constexpr std::string_view TransposeLabel = "Transpose Value :";

constexpr std::string_view English = "English";
constexpr std::string_view French = "French";

void Skip(TTextLineReader& reader) { (void)reader.ReadLine(); }

std::int32_t ReadInteger(TTextLineReader& reader) { return StrToInt(reader.ReadLine()); }

}  // namespace

std::int32_t StrToInt(const std::string& line)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    if (i == line.size())
        throw EConvertError(line);
    // The magnitude may reach 2^31 for a negative value.
    const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
    std::int64_t magnitude = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            throw EConvertError(line);
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            throw EConvertError(line);
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::uint8_t ReadSettings(AppSettings& settings, TTextLineReader& reader)
{
    Skip(reader);  // header
    Skip(reader);  // "Language :"
    settings.LanguageIndex = reader.ReadLine() == English ? LanguageEnglish : LanguageFrench;
    Skip(reader);
    settings.MidiFileName = reader.ReadLine();
    Skip(reader);
    settings.ResolutionMs = static_cast<std::uint16_t>(ReadInteger(reader));
    Skip(reader);
    settings.SeqFileName = reader.ReadLine();
    Skip(reader);
    settings.ComPortName = reader.ReadLine();
    Skip(reader);
    settings.MidiInPortName = reader.ReadLine();
    Skip(reader);
    settings.MidiMode = static_cast<std::uint8_t>(ReadInteger(reader));
    Skip(reader);
    settings.TransposeIndex = static_cast<std::uint8_t>(ReadInteger(reader));
    return settings.LanguageIndex;
}

std::string FormatSettings(const AppSettings& settings)
{
    const std::string resolution = std::to_string(unsigned{settings.ResolutionMs});
    const std::string mode = std::to_string(unsigned{settings.MidiMode});
    const std::string transpose = std::to_string(unsigned{settings.TransposeIndex});
    const std::array<std::string_view, SettingsLines> lines = {
        Header,
        LanguageLabel,
        settings.LanguageIndex == LanguageFrench ? French : English,
        MidiFileLabel,
        settings.MidiFileName,
        ResolutionLabel,
        resolution,
        SeqFileLabel,
        settings.SeqFileName,
        ComPortLabel,
        settings.ComPortName,
        MidiInPortLabel,
        settings.MidiInPortName,
        ModeLabel,
        mode,
        TransposeLabel,
        transpose,
    };
    std::string text;
    for (const std::string_view line : lines) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

std::string SettingsTextFromWindowsFile(std::string_view bytes)
{
    return IsValidUtf8(bytes) ? std::string(bytes) : Utf8FromWindows1252(bytes);
}

std::string WindowsFileFromSettingsText(const std::string& text)
{
    // Windows-1252 bytes that happen to be valid UTF-8 ("Ã©" gives C3 A9)
    // would read back as other characters ("é").
    const std::optional<std::string> earlier = Windows1252FromUtf8(text);
    return earlier && SettingsTextFromWindowsFile(*earlier) == text ? *earlier : text;
}

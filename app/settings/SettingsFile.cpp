#include "SettingsFile.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <variant>

#include "ExecutablePath.h"
#include "FileReplace.h"
#include "InputFile.h"
#include "SettingsFormat.h"
#include "SettingsLocation.h"
#include "TextLineReader.h"
#include "Utf8.h"

namespace fs = std::filesystem;

fs::path SettingsFilePath()
{
    fs::path executableDirectory;
    try {
        executableDirectory = ExecutableDirectory();
    } catch (const std::system_error& e) {
        throw EInOutError(e.code());
    }
    return ChooseSettingsFile(executableDirectory, UserSettingsDirectory(SystemEnvironment), SettingsFileName,
                              [](const fs::path& folder) { return !IsSystemProgramFolder(folder) && CanCreateIn(folder); });
}

std::uint8_t LoadSettings(AppSettings& settings)
{
    return LoadSettings(settings, SettingsFilePath());
}

namespace {

// A settings file holds 17 short lines; these bounds are far above any
// (a Windows path of 32767 characters takes less than 100 KiB), and keep
// what reading one takes fixed, whatever stands in its place.
constexpr std::uint64_t MaxFileBytes = std::uint64_t{1} << 20;
constexpr std::size_t MaxLineBytes = std::size_t{128} << 10;

// The file's size, and its bytes up to one past the bound.
struct TSettingsBytes {
    std::uint64_t Size = 0;
    std::string Bytes;
};

TSettingsBytes ReadSettingsBytes(const fs::path& file)
{
    // Only a regular file is read: a FIFO in its place is never waited on.
    try {
        TInputFile in = OpenInputFile(file);
        TSettingsBytes read{in.Stamp.Size, std::string(std::min(in.Stamp.Size, MaxFileBytes + 1), '\0')};
        read.Bytes.resize(ReadInputFile(in, 0, read.Bytes.data(), read.Bytes.size()));
        in.File->Close();
        return read;
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
}

TTextLineReader::TFill FillFrom(const std::string& text)
{
    return [&text, taken = std::size_t{0}](char* buf, std::size_t size) mutable {
        const std::size_t got = text.copy(buf, size, taken);
        taken += got;
        return got;
    };
}

// Why the bytes are no settings file, if they are not.
std::optional<std::string> WhyNoSettingsFile(const TSettingsBytes& read)
{
    if (read.Size > MaxFileBytes)
        return "it is " + std::to_string(read.Size) + " bytes long, and a settings file takes " +
               std::to_string(MaxFileBytes) + " at most";
    TTextLineReader reader(FillFrom(read.Bytes), 4096, MaxLineBytes);
    try {
        for (int line = 0; line < SettingsLines; ++line)
            (void)reader.ReadLine();
    } catch (const ELineTooLong& tooLong) {
        return "its line " + std::to_string(tooLong.Line()) + " is longer than the " + std::to_string(MaxLineBytes) +
               " bytes a settings file's line takes at most";
    }
    return std::nullopt;
}

// Moves a bad settings file out of the way under a name of its own beside
// it; the new name, or the reason it stays.
std::variant<fs::path, std::string> MoveAside(const fs::path& file)
{
    std::error_code error;
    for (int n = 1; n < 100; ++n) {
        fs::path aside = file;
        aside += n == 1 ? std::string(".bad") : ".bad-" + std::to_string(n);
        const fs::file_status taken = fs::symlink_status(aside, error);
        if (taken.type() != fs::file_type::not_found) {
            if (error)
                break;
            continue;
        }
        fs::rename(file, aside, error);
        if (!error)
            return aside;
        break;
    }
    return error ? error.message() : std::string("every name for it is taken");
}

}  // namespace

std::uint8_t LoadSettings(AppSettings& settings, const fs::path& file)
{
    std::error_code error;
    const bool exists = fs::exists(file, error);
    if (error)
        throw EInOutError(error, file);
    if (!exists)
        SaveSettings(settings, file);

    const TSettingsBytes read = ReadSettingsBytes(file);
    if (const std::optional<std::string> why = WhyNoSettingsFile(read)) {
        const std::variant<fs::path, std::string> aside = MoveAside(file);
        if (const fs::path* kept = std::get_if<fs::path>(&aside))
            throw EBadSettingsFile(file, *why,
                                   "It is kept as " + Utf8FromPath(*kept) + "; the settings start from their defaults.");
        throw EBadSettingsFile(file, *why, "It cannot be moved aside (" + std::get<std::string>(aside) +
                                               "), so it stays as it is, and no settings are saved over it.");
    }
#ifdef _WIN32
    const std::string text = SettingsTextFromWindowsFile(read.Bytes);
#else
    const std::string& text = read.Bytes;
#endif
    TTextLineReader reader(FillFrom(text));
    std::uint8_t language = 0;
    try {
        language = ReadSettings(settings, reader);
    } catch (const EConvertError& e) {
        throw EConvertError(e, file);
    }
    return language;
}

void SaveSettings(const AppSettings& settings)
{
    SaveSettings(settings, SettingsFilePath());
}

void SaveSettings(const AppSettings& settings, const fs::path& file)
{
    // A bad settings file in the way is moved aside first, or kept as it is:
    // never written over. One that cannot be read is left to the file rules.
    std::optional<std::string> why;
    try {
        why = WhyNoSettingsFile(ReadSettingsBytes(file));
    } catch (const EInOutError&) {
    }
    if (why) {
        const std::variant<fs::path, std::string> aside = MoveAside(file);
        if (const std::string* reason = std::get_if<std::string>(&aside))
            throw EBadSettingsFile(file, *why, "It cannot be moved aside (" + *reason +
                                                   "), so it stays as it is, and the settings are not saved.");
    }
    try {
#ifdef _WIN32
        ReplaceFileContents(file, WindowsFileFromSettingsText(FormatSettings(settings)));
#else
        ReplaceFileContents(file, FormatSettings(settings));
#endif
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
}

#include "SettingsFile.h"

#include <system_error>

#include "ExecutablePath.h"
#include "FileReplace.h"
#include "InputFile.h"
#include "SettingsFormat.h"
#include "SettingsLocation.h"
#include "TextLineReader.h"

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

std::uint8_t LoadSettings(AppSettings& settings, const fs::path& file)
{
    std::error_code error;
    const bool exists = fs::exists(file, error);
    if (error)
        throw EInOutError(error, file);
    if (!exists)
        SaveSettings(settings, file);

    // Only a regular file is read: a FIFO in its place is never waited on.
    TInputFile in;
    try {
        in = OpenInputFile(file);
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
    std::uint64_t offset = 0;
    TTextLineReader::TFill fill = [&in, &offset, &file](char* buf, std::size_t size) {
        try {
            const std::size_t got = ReadInputFile(in, offset, buf, size);
            offset += got;
            return got;
        } catch (const std::system_error& e) {
            throw EInOutError(e.code(), file);
        }
    };
#ifdef _WIN32
    // Whether the file is UTF-8 is known only once all of it is read.
    std::string bytes;
    char chunk[4096];
    while (const std::size_t got = fill(chunk, sizeof chunk))
        bytes.append(chunk, got);
    const std::string text = SettingsTextFromWindowsFile(bytes);
    std::size_t taken = 0;
    fill = [&text, &taken](char* buf, std::size_t size) {
        const std::size_t got = text.copy(buf, size, taken);
        taken += got;
        return got;
    };
#endif
    TTextLineReader reader(fill);
    std::uint8_t language = 0;
    try {
        language = ReadSettings(settings, reader);
    } catch (const EConvertError& e) {
        throw EConvertError(e, file);
    }
    try {
        in.File->Close();
    } catch (const std::system_error& e) {
        throw EInOutError(e.code(), file);
    }
    return language;
}

void SaveSettings(const AppSettings& settings)
{
    SaveSettings(settings, SettingsFilePath());
}

void SaveSettings(const AppSettings& settings, const fs::path& file)
{
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

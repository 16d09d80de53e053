#include "SettingsFile.h"

#include <cstdio>
#include <system_error>

#include "ExecutablePath.h"
#include "FileReplace.h"
#include "InputFile.h"
#include "SettingsFormat.h"
#include "StdioFile.h"
#include "TextLineReader.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowInOutError(const std::error_code& error)
{
    throw EInOutError(error.value());
}

}  // namespace

fs::path SettingsFilePath()
{
    try {
        return ExecutableDirectory() / SettingsFileName;
    } catch (const std::system_error& e) {
        ThrowInOutError(e.code());
    }
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
        ThrowInOutError(error);
    if (!exists)
        SaveSettings(settings, file);

    // Only a regular file is read: a FIFO in its place is never waited on.
    TFileHandle in;
    try {
        in = OpenInputFile(file).File;
    } catch (const std::system_error& e) {
        ThrowInOutError(e.code());
    }
    TTextLineReader reader([&in](char* buf, std::size_t size) {
        ClearFileError();
        const std::size_t got = std::fread(buf, 1, size, in.get());
        if (got == 0 && std::ferror(in.get()))
            ThrowInOutError(LastFileError());
        return got;
    });
    const std::uint8_t language = ReadSettings(settings, reader);
    if (!CloseFile(in))
        ThrowInOutError(LastFileError());
    return language;
}

void SaveSettings(const AppSettings& settings)
{
    SaveSettings(settings, SettingsFilePath());
}

void SaveSettings(const AppSettings& settings, const fs::path& file)
{
    try {
        ReplaceFileContents(file, FormatSettings(settings));
    } catch (const std::system_error& e) {
        ThrowInOutError(e.code());
    }
}

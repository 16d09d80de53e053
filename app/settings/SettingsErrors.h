#pragma once
// The two ways reading or writing the settings file can fail. Both carry the
// text the window shows as it is (what()); catch ESettingsError for either.
// The first line is the run-time library's text; a second line tells which
// file, and for an input/output error why the system refused.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file (or its folder) could not be created, opened, read, written,
// replaced or closed: "Erreur E/S <n>" with the system error number n, then
// "<file>: <step: ><the system's reason>" (the reason alone when file is
// empty).
class EInOutError : public ESettingsError {
public:
    explicit EInOutError(const std::error_code& error, const std::filesystem::path& file = {},
                         const std::string& step = {});
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// The file is far larger, or has a far longer line, than any settings file:
// it is no settings file. It is kept aside under another name, so that the
// next save cannot destroy it; the text says why and where it went, or why
// it could not be moved and stays where it was, not to be written over:
// "The settings file <file> is no settings file: <why>.\n<what became of it>"
class EBadSettingsFile : public ESettingsError {
public:
    EBadSettingsFile(const std::filesystem::path& file, const std::string& why, const std::string& outcome);
};

// A numeric line is not an integer; the text quotes the line as read.
class EConvertError : public ESettingsError {
public:
    explicit EConvertError(const std::string& line);
    // The same text, with the file it was read from on a second line.
    EConvertError(const EConvertError& error, const std::filesystem::path& file);
};

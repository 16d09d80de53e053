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
// "<file>: <the system's reason>" (the reason alone when file is empty).
class EInOutError : public ESettingsError {
public:
    explicit EInOutError(const std::error_code& error, const std::filesystem::path& file = {});
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// A numeric line is not an integer; the text quotes the line as read.
class EConvertError : public ESettingsError {
public:
    explicit EConvertError(const std::string& line);
    // The same text, with the file it was read from on a second line.
    EConvertError(const EConvertError& error, const std::filesystem::path& file);
};

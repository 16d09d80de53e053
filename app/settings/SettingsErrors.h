#pragma once
// The two ways reading or writing the settings file can fail. Both carry the
// text the window shows as it is (what()); catch ESettingsError for either.

#include <stdexcept>
#include <string>

class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file could not be created, opened, read, written, replaced or closed.
// The text is "Erreur E/S <n>" with the system error number n.
class EInOutError : public ESettingsError {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// A numeric line is not an integer; the text quotes the line as read.
class EConvertError : public ESettingsError {
public:
    explicit EConvertError(const std::string& line);
};

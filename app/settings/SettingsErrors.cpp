#include "SettingsErrors.h"

namespace {

// Paths are shown as UTF-8 (the window's strings), whatever the system's.
std::string PathText(const std::filesystem::path& file)
{
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

std::string Reason(const std::error_code& error)
{
    std::string reason = error.message();
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

}  // namespace

EInOutError::EInOutError(const std::error_code& error, const std::filesystem::path& file, const std::string& step)
    : ESettingsError("Erreur E/S " + std::to_string(error.value()) + "\n" +
                     (file.empty() ? "" : PathText(file) + ": ") + (step.empty() ? "" : step + ": ") + Reason(error)),
      errorCode_(error.value())
{
}

EBadSettingsFile::EBadSettingsFile(const std::filesystem::path& file, const std::string& why, const std::string& outcome)
    : ESettingsError("The settings file " + PathText(file) + " is no settings file: " + why + ".\n" + outcome)
{
}

EConvertError::EConvertError(const std::string& line)
    : ESettingsError("'" + line + "' n'est pas une valeur entière correcte")
{
}

EConvertError::EConvertError(const EConvertError& error, const std::filesystem::path& file)
    : ESettingsError(std::string(error.what()) + "\n" + PathText(file))
{
}

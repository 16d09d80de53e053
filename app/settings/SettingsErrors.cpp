#include "SettingsErrors.h"

EInOutError::EInOutError(int errorCode)
    : ESettingsError("Erreur E/S " + std::to_string(errorCode)), errorCode_(errorCode)
{
}

EConvertError::EConvertError(const std::string& line)
    : ESettingsError("'" + line + "' n'est pas une valeur entière correcte")
{
}

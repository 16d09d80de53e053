#include "DisplayCheck.h"

#include <algorithm>
#include <array>

namespace {

bool IsSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

// Qt's platforms that draw into memory, a framebuffer or a remote viewer.
constexpr std::array<std::string_view, 8> DisplaylessPlatforms{
    "offscreen", "minimal", "minimalegl", "linuxfb", "eglfs", "vkkhrdisplay", "vnc", "bsdfb"};

}  // namespace

bool HasDisplay(const TDisplayEnvironment& environment)
{
    if (IsSet(environment.Display) || IsSet(environment.WaylandDisplay))
        return true;
    if (!IsSet(environment.QpaPlatform))
        return false;
    std::string_view platforms = environment.QpaPlatform;
    while (!platforms.empty()) {
        const std::string_view entry = platforms.substr(0, platforms.find(';'));
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (std::find(DisplaylessPlatforms.begin(), DisplaylessPlatforms.end(), name) != DisplaylessPlatforms.end())
            return true;
        platforms.remove_prefix(std::min(platforms.size(), entry.size() + 1));
    }
    return false;
}

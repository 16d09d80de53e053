#pragma once
// Whether the window can be shown at all. On X11 and Wayland systems Qt
// aborts when it finds no display; the program asks first, so that it can
// say so in one line and end normally.

#include <string_view>

// The environment the answer depends on; null or empty means unset.
struct TDisplayEnvironment {
    const char* Display = nullptr;         // DISPLAY
    const char* WaylandDisplay = nullptr;  // WAYLAND_DISPLAY
    const char* QpaPlatform = nullptr;     // QT_QPA_PLATFORM
};

// True when a display is named, or when QT_QPA_PLATFORM chooses (among its
// ';'-separated entries, each with optional ":options") a Qt platform that
// draws without one, such as offscreen.
bool HasDisplay(const TDisplayEnvironment& environment);

// The line the program prints when HasDisplay is false.
inline constexpr std::string_view NoDisplayMessage =
    "cannot show the window: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";

#pragma once
// What every window of the Windows face shares: the scale of the screen
// (the description's pixels are at 100%, 96 dots an inch), the fonts, the
// colours, the program's instance and the opening every window class of
// ours makes.

#include <windows.h>

#include <functional>
#include <string>

#include "WindowDescription.h"

// The description's pixels on a screen of Dpi dots an inch.
struct TScale {
    int Dpi = USER_DEFAULT_SCREEN_DPI;

    int operator()(int pixels) const { return MulDiv(pixels, Dpi, USER_DEFAULT_SCREEN_DPI); }
    RECT Rect(const TBounds& bounds) const;
};

// The screen's dots an inch as this program sees them: the system's, since
// the manifest declares the program aware of it.
int SystemDpi();

COLORREF ColourRef(TRgb colour);

// The window's 8-point sans serif, or the About box's 13-pixel Arial. The
// caller deletes it.
HFONT MakeFont(TFontStyle style, const TScale& scale);

HINSTANCE ProgramInstance();

// Registers a window class of ours once; windowProc gets the object given
// to CreateWindowExW (as its lpParam) from GWLP_USERDATA with Self.
void RegisterWindowClass(const wchar_t* name, WNDPROC windowProc, UINT style = 0,
                         HBRUSH background = nullptr);

// The object of a window of ours; stored at WM_NCCREATE.
template <typename T>
T* Self(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Destroys a window of ours, if it is still there, without its object: the
// object is going, and none of its handlers may run on the way.
void DestroyOwnWindow(HWND window);

// Answers WM_PAINT: draw paints the client area (given) on a memory
// context, shown at once, so that no layer flickers.
void PaintBuffered(HWND window, const std::function<void(HDC, const RECT&)>& draw);

std::wstring WindowTextOf(HWND window);

// Centres a top-level window on the work area of the screen it is on.
void CentreOnScreen(HWND window);

// The window's outer size for a client area of width by height, with or
// without a menu bar, and moves it there; a menu bar that wraps onto a
// second line is allowed for.
void SizeForClientArea(HWND window, int width, int height);

// Text for an edit control, whose lines end in CR LF.
std::wstring WindowsLines(const std::string& text);

// A menu caption that shows text as it is: an ampersand is no accelerator
// mark; the byte underlined (npos: none) is the item's accelerator.
std::wstring LiteralCaption(const std::string& text, std::size_t underlined = std::string::npos);

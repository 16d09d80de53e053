#pragma once
// The windows of the description beside the main one (the About box, the
// output test box), built by this one piece.

#include <windows.h>

#include <map>
#include <string>

#include "Win32Ui.h"
#include "WindowDescription.h"

// A window of the description beside the main one: created hidden, of a
// class of ours whose window procedure gets self (the box that owns this),
// with its controls where the description puts them at the scale, in the
// window's 8 points and the About box's 13-pixel Arial. A button tells its
// window with WM_COMMAND and its control's number.
class TFormWindow final {
public:
    TFormWindow(TControl form, const wchar_t* windowClass, WNDPROC windowProc, DWORD style, HWND owner, void* self,
                const TScale& scale);
    ~TFormWindow();
    TFormWindow(const TFormWindow&) = delete;
    TFormWindow& operator=(const TFormWindow&) = delete;

    // The window's title, or the text of one of its labels, static texts or
    // buttons.
    void SetText(TControl control, const std::string& text);
    bool Has(TControl control) const { return controls_.contains(control); }
    HWND Window() const { return window_; }
    HWND Control(TControl control) const { return controls_.at(control); }

private:
    TControl form_;
    HWND window_ = nullptr;
    HFONT windowFont_ = nullptr;
    HFONT arialFont_ = nullptr;
    std::map<TControl, HWND> controls_;
};

// The number a number box of the window holds, within its range.
int NumberOf(HWND window, TControl numberBox);

#pragma once
// The log window of RS232 > Log... on Windows: what the model's log holds,
// one line after another with their times, in a window of its own, hidden
// when closed. The newest line stays in sight unless the user scrolled back.

#include <windows.h>

#include <string>

#include "Win32Ui.h"

class TLogWindow final {
public:
    explicit TLogWindow(const TScale& scale);
    ~TLogWindow();
    TLogWindow(const TLogWindow&) = delete;
    TLogWindow& operator=(const TLogWindow&) = delete;

    void SetTexts(const std::string& title, const std::string& text);
    // Shows the window, in front when it was open already.
    void Show();
    void Hide();

    HWND Window() const { return window_; }
    HWND Text() const { return text_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TScale scale_;
    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HFONT font_ = nullptr;
};

// The font of the windows that show lines of text (the log, the report).
HFONT MakeFixedFont(const TScale& scale);

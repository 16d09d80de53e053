#include "LogWindow.h"

#include "Utf8.h"
#include "WindowDescription.h"

namespace {

constexpr wchar_t LogClass[] = L"TOREMForm4";

}  // namespace

HFONT MakeFixedFont(const TScale& scale)
{
    return CreateFontW(-scale(13), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
}

TLogWindow::TLogWindow(const TScale& scale) : scale_(scale)
{
    RegisterWindowClass(LogClass, WindowProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    window_ = CreateWindowExW(0, LogClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              100, 100, nullptr, nullptr, ProgramInstance(), this);
    font_ = MakeFixedFont(scale_);
    // Long lines wrap: no horizontal scrolling.
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 10,
                            10, window_, nullptr, ProgramInstance(), nullptr);
    SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SizeForClientArea(window_, scale_(LogWindowSize.Width), scale_(LogWindowSize.Height));
}

TLogWindow::~TLogWindow()
{
    DestroyOwnWindow(window_);
    DeleteObject(font_);
}

void TLogWindow::SetTexts(const std::string& title, const std::string& text)
{
    SetWindowTextW(window_, WideFromUtf8(title).c_str());
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_ALL;
    const bool atEnd = !GetScrollInfo(text_, SB_VERT, &scroll) ||
                       scroll.nPos + static_cast<int>(scroll.nPage) > scroll.nMax;
    SetWindowTextW(text_, WindowsLines(text).c_str());
    if (atEnd) {
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(text_));
        SendMessageW(text_, EM_SETSEL, end, static_cast<LPARAM>(end));
        SendMessageW(text_, EM_SCROLLCARET, 0, 0);
    }
}

void TLogWindow::Show()
{
    if (!IsWindowVisible(window_))
        CentreOnScreen(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
}

void TLogWindow::Hide()
{
    ShowWindow(window_, SW_HIDE);
}

LRESULT CALLBACK TLogWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TLogWindow>(window, message, lParam);
    if (self != nullptr && self->text_ != nullptr) {
        if (message == WM_SIZE) {
            const int margin = self->scale_(6);
            SetWindowPos(self->text_, nullptr, margin, margin, LOWORD(lParam) - 2 * margin,
                         HIWORD(lParam) - 2 * margin, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        if (message == WM_CLOSE) {
            self->Hide();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

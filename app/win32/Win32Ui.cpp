#include "Win32Ui.h"

#include <span>

#include "Utf8.h"

RECT TScale::Rect(const TBounds& bounds) const
{
    const int left = (*this)(bounds.Left);
    const int top = (*this)(bounds.Top);
    // Both edges scaled: controls that meet at 100% still meet.
    return {left, top, (*this)(bounds.Left + bounds.Width), (*this)(bounds.Top + bounds.Height)};
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

COLORREF ColourRef(TRgb colour)
{
    return RGB(colour.R, colour.G, colour.B);
}

HFONT MakeFont(TFontStyle style, const TScale& scale)
{
    // The first of the families that the system has: Tahoma comes with every
    // Windows and is as narrow as the fixed label widths need at 8 points
    // (11 pixels at 100%); elsewhere (wine) the Qt face's choices follow.
    const bool arial = style == TFontStyle::Arial13;
    static constexpr const wchar_t* WindowFamilies[] = {L"Tahoma", L"DejaVu Sans Condensed", L"Microsoft Sans Serif",
                                                        L"Liberation Sans"};
    static constexpr const wchar_t* ArialFamilies[] = {L"Arial", L"Liberation Sans", L"DejaVu Sans"};
    const auto make = [&](const wchar_t* family) {
        return CreateFontW(-scale(arial ? 13 : 11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH | FF_SWISS,
                           family);
    };
    HDC screen = GetDC(nullptr);
    HFONT found = nullptr;
    for (const wchar_t* family : arial ? std::span<const wchar_t* const>(ArialFamilies)
                                       : std::span<const wchar_t* const>(WindowFamilies)) {
        HFONT font = make(family);
        HGDIOBJ old = SelectObject(screen, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(screen, LF_FACESIZE, face);
        SelectObject(screen, old);
        if (lstrcmpiW(face, family) == 0) {
            found = font;
            break;
        }
        DeleteObject(font);
    }
    ReleaseDC(nullptr, screen);
    // None of them: the system's stand-in for the first.
    return found != nullptr ? found : make(arial ? ArialFamilies[0] : WindowFamilies[0]);
}

HINSTANCE ProgramInstance()
{
    return GetModuleHandleW(nullptr);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC windowProc, UINT style, HBRUSH background)
{
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (GetClassInfoExW(ProgramInstance(), name, &known))
        return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    // The program's icon, compiled in as resource 1, for the title bar and
    // the taskbar.
    windowClass.hIcon = LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&windowClass);
}

std::wstring WindowTextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void DestroyOwnWindow(HWND window)
{
    if (IsWindow(window)) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

void PaintBuffered(HWND window, const std::function<void(HDC, const RECT&)>& draw)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(buffer, bitmap);
    draw(buffer, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window, &paint);
}

void CentreOnScreen(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT outer{};
    GetWindowRect(window, &outer);
    const RECT& area = monitor.rcWork;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeForClientArea(HWND window, int width, int height)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const bool menu = GetMenu(window) != nullptr;
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, style, menu, exStyle);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A narrow window's menu bar takes two lines, which AdjustWindowRectEx
    // does not know of: make up what the client area lacks.
    RECT client{};
    GetClientRect(window, &client);
    const int missing = height - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring WindowsLines(const std::string& text)
{
    std::wstring lines;
    for (const wchar_t c : WideFromUtf8(text)) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    return lines;
}

std::wstring LiteralCaption(const std::string& text, std::size_t underlined)
{
    if (underlined < text.size())
        return LiteralCaption(text.substr(0, underlined)) + L'&' + LiteralCaption(text.substr(underlined));
    std::wstring caption;
    for (const wchar_t c : WideFromUtf8(text)) {
        caption += c;
        if (c == L'&')
            caption += L'&';
    }
    return caption;
}

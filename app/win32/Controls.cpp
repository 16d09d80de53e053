#include "Controls.h"

#include <vector>

#include "Utf8.h"
#include "Win32Artwork.h"

namespace {

constexpr wchar_t ControlClass[] = L"TOREMControl";

struct TControlWindow {
    const TControlSpec* Described = nullptr;
    TScale Scale;
    HFONT Font = nullptr;
    std::function<void()> OnClick;
    TArtwork Picture = TArtwork::None;
    COLORREF Fill = 0;
    COLORREF TextColour = RGB(0, 0, 0);
    TValueLabel Text;  // a label's text, a value label's parts
    bool Hot = false;      // the mouse is over a button
    bool Pressed = false;  // the left button went down on it and is held
};

TControlWindow* ControlOf(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpW(name, ControlClass) != 0)
        return nullptr;
    return reinterpret_cast<TControlWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool Clickable(const TControlWindow& control)
{
    return control.Described->Kind == TControlKind::SpeedButton ||
           (control.Described->Kind == TControlKind::Picture && control.Described->Command != TCommand::None);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void Fill(HDC dc, const RECT& area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

int TextWidth(HDC dc, const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// What a label shows at its width, as the window model fits it.
std::wstring FittedText(HDC dc, const TValueLabel& label, int width)
{
    return WideFromUtf8(FittedLabelText(label, width, [dc](std::string_view text) {
        return static_cast<double>(TextWidth(dc, WideFromUtf8(text)));
    }));
}

// The control's own look, its top-left corner at origin.
void PaintLook(HDC dc, HWND window, const TControlWindow& control, POINT origin)
{
    RECT client{};
    GetClientRect(window, &client);
    OffsetRect(&client, origin.x, origin.y);
    const TControlSpec& described = *control.Described;
    const bool enabled = EnabledWithParents(window);
    switch (described.Kind) {
    case TControlKind::Panel:
        Fill(dc, client, control.Fill);
        if (described.Edge == TPanelEdge::FrameLine) {
            HBRUSH frame = CreateSolidBrush(ColourRef(described.Frame));
            FrameRect(dc, &client, frame);
            DeleteObject(frame);
        } else if (described.Edge == TPanelEdge::Sunken) {
            // Lowered: shadow on the top and left, light on the bottom and right.
            const int right = client.right - 1;
            const int bottom = client.bottom - 1;
            Line(dc, client.left, client.top, right, client.top, RGB(128, 128, 128));
            Line(dc, client.left, client.top, client.left, bottom, RGB(128, 128, 128));
            Line(dc, client.left, bottom, right + 1, bottom, RGB(255, 255, 255));
            Line(dc, right, client.top, right, bottom, RGB(255, 255, 255));
        }
        break;
    case TControlKind::Label:
    case TControlKind::StaticText: {
        if (described.Kind == TControlKind::Label)
            Fill(dc, client, ColourRef(described.Background));
        HGDIOBJ old = SelectObject(dc, control.Font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, enabled ? control.TextColour : GetSysColor(COLOR_GRAYTEXT));
        const std::wstring text = FittedText(dc, control.Text, client.right - client.left);
        const UINT align = described.Kind == TControlKind::StaticText ? DT_CENTER : DT_LEFT;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
                  align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        break;
    }
    case TControlKind::Picture:
    case TControlKind::SpeedButton: {
        const SIZE size = ArtworkSize(control.Picture, control.Scale);
        RECT at{client.left, client.top, client.left + size.cx, client.top + size.cy};
        if (described.Kind == TControlKind::SpeedButton) {
            // A flat button: the glyph in the middle, an edge only under the
            // mouse, pressed in while held.
            const bool down = control.Pressed && control.Hot;
            OffsetRect(&at, (client.right - client.left - size.cx) / 2 + (down ? 1 : 0),
                       (client.bottom - client.top - size.cy) / 2 + (down ? 1 : 0));
            if (enabled && (control.Hot || control.Pressed))
                DrawEdge(dc, &client, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        DrawArtwork(dc, control.Picture, at, control.Scale, enabled ? 255 : 96);
        break;
    }
    case TControlKind::Shape: {
        HBRUSH brush = CreateSolidBrush(control.Fill);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, client.left, client.top, client.right, client.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        break;
    }
    default:
        break;
    }
}

// What shows through a control: the window it stands in, then the visible
// controls of ours beneath it, lowest first, then the control itself.
void PaintComposite(HDC dc, HWND window, const TControlWindow& control)
{
    RECT own{};
    GetWindowRect(window, &own);
    HWND parent = GetParent(window);
    RECT client{};
    GetClientRect(window, &client);
    if (const TControlWindow* panel = ControlOf(parent)) {
        POINT origin{0, 0};
        MapWindowPoints(parent, window, &origin, 1);
        PaintLook(dc, parent, *panel, origin);
    } else {
        Fill(dc, client, GetSysColor(COLOR_BTNFACE));
    }
    std::vector<HWND> beneath;
    for (HWND sibling = GetWindow(window, GW_HWNDNEXT); sibling != nullptr;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        RECT other{};
        RECT common{};
        GetWindowRect(sibling, &other);
        if (ControlOf(sibling) != nullptr && IsWindowVisible(sibling) && IntersectRect(&common, &own, &other))
            beneath.push_back(sibling);
    }
    for (auto sibling = beneath.rbegin(); sibling != beneath.rend(); ++sibling) {
        POINT origin{0, 0};
        MapWindowPoints(*sibling, window, &origin, 1);
        PaintLook(dc, *sibling, *ControlOf(*sibling), origin);
    }
    PaintLook(dc, window, control, {0, 0});
}

void Paint(HWND window, TControlWindow& control)
{
    PaintBuffered(window, [&](HDC buffer, const RECT&) { PaintComposite(buffer, window, control); });
}

void Redraw(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    // What stands on the control shows it through itself.
    RECT own{};
    GetWindowRect(window, &own);
    for (HWND above = GetWindow(window, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
        RECT other{};
        RECT common{};
        GetWindowRect(above, &other);
        if (IntersectRect(&common, &own, &other))
            InvalidateRect(above, nullptr, FALSE);
    }
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* control = Self<TControlWindow>(window, message, lParam);
    if (control == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(window, *control);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(control->Font);
    case WM_ENABLE:
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return 0;
    case WM_LBUTTONDOWN:
        if (Clickable(*control) && EnabledWithParents(window)) {
            control->Pressed = true;
            SetCapture(window);
            Redraw(window);
        }
        return 0;
    case WM_MOUSEMOVE: {
        RECT client{};
        GetClientRect(window, &client);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const bool inside = PtInRect(&client, at) != FALSE;
        if (Clickable(*control) && inside != control->Hot) {
            control->Hot = inside;
            if (inside) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
            }
            Redraw(window);
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        if (control->Hot) {
            control->Hot = false;
            Redraw(window);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!control->Pressed)
            return 0;
        control->Pressed = false;
        ReleaseCapture();
        RECT client{};
        GetClientRect(window, &client);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        Redraw(window);
        if (PtInRect(&client, at) && control->OnClick)
            control->OnClick();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (control->Pressed) {
            control->Pressed = false;
            Redraw(window);
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete control;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreateControl(HWND parent, const TControlSpec& described, const TScale& scale, HFONT font,
                   std::function<void()> onClick)
{
    RegisterWindowClass(ControlClass, ControlProc);
    auto* control = new TControlWindow;
    control->Described = &described;
    control->Scale = scale;
    control->Font = font;
    control->OnClick = std::move(onClick);
    control->Picture = described.Artwork;
    control->Fill = ColourRef(described.Background);
    const std::wstring text = WideFromUtf8(DesignCaption(described));
    control->Text.Prefix = DesignCaption(described);
    const RECT place = scale.Rect(described.Bounds);
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (described.Hidden ? 0 : WS_VISIBLE);
    HWND window = CreateWindowExW(0, ControlClass, text.c_str(), style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(described.Id)), ProgramInstance(), control);
    if (window == nullptr) {
        delete control;
        return nullptr;
    }
    // Later controls stand on earlier ones.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return window;
}

void SetControlText(HWND window, const std::string& text)
{
    SetValueText(window, {text, {}}, TextColourOf(window));
}

void SetValueText(HWND window, const TValueLabel& value, COLORREF textColour)
{
    TControlWindow* control = ControlOf(window);
    if (control == nullptr)
        return;
    control->Text = value;
    control->TextColour = textColour;
    SetWindowTextW(window, WideFromUtf8(value.Prefix + value.Value + value.Suffix).c_str());
    Redraw(window);
}

COLORREF TextColourOf(HWND window)
{
    const TControlWindow* control = ControlOf(window);
    return control != nullptr ? control->TextColour : RGB(0, 0, 0);
}

void SetPicture(HWND window, TArtwork artwork)
{
    if (TControlWindow* control = ControlOf(window)) {
        control->Picture = artwork;
        Redraw(window);
    }
}

TArtwork PictureOf(HWND window)
{
    const TControlWindow* control = ControlOf(window);
    return control != nullptr ? control->Picture : TArtwork::None;
}

void SetFill(HWND window, COLORREF colour)
{
    TControlWindow* control = ControlOf(window);
    if (control == nullptr || control->Fill == colour)
        return;
    control->Fill = colour;
    Redraw(window);
    // A panel's colour shows through everything on it.
    if (control->Described->Kind == TControlKind::Panel)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

COLORREF FillOf(HWND window)
{
    const TControlWindow* control = ControlOf(window);
    return control != nullptr ? control->Fill : 0;
}

bool EnabledWithParents(HWND window)
{
    for (HWND w = window; w != nullptr; w = GetParent(w)) {
        if (!IsWindowEnabled(w))
            return false;
        if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0)
            break;
    }
    return true;
}

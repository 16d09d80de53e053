#include "SeqViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "LogWindow.h"
#include "Menus.h"
#include "Utf8.h"

namespace {

constexpr wchar_t ViewerClass[] = L"TOREMSeqViewer";
constexpr wchar_t PictureClass[] = L"TOREMSeqPicture";

LONG Pixel(double value)
{
    return static_cast<LONG>(std::lround(value));
}

// At least one pixel each way: a bar that lasts a slot still shows.
RECT RectOf(double x, double y, double width, double height)
{
    const LONG left = Pixel(x);
    const LONG top = Pixel(y);
    return {left, top, std::max(Pixel(x + width), left + 1), std::max(Pixel(y + height), top + 1)};
}

void FillArea(HDC dc, const RECT& area, TRgb colour)
{
    HBRUSH brush = CreateSolidBrush(ColourRef(colour));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// The picture's font: the one its SVG names that Windows has.
HFONT PictureFont(double pixels, bool bold)
{
    return CreateFontW(-Pixel(pixels), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS,
                       L"Verdana");
}

SCROLLINFO ScrollInfo(UINT mask)
{
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = mask;
    return scroll;
}

}  // namespace

void PaintSequence(HDC dc, const TSeqPicture& picture)
{
    FillArea(dc, RectOf(0, 0, picture.Width, picture.Height), picture.Background);
    for (const TPictureRect& band : picture.Bands)
        FillArea(dc, RectOf(band.X, band.Y, band.Width, band.Height), band.Colour);
    for (const TPictureLine& line : picture.Lines) {
        HPEN pen = CreatePen(PS_SOLID, 1, ColourRef(line.Colour));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, Pixel(line.X1), Pixel(line.Y1), nullptr);
        LineTo(dc, Pixel(line.X2), Pixel(line.Y2));
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    for (const TPictureBar& bar : picture.Bars)
        FillArea(dc, RectOf(bar.X, bar.Y, bar.Width, bar.Height), bar.Colour);
    HFONT regular = PictureFont(picture.FontSize, false);
    HFONT bold = PictureFont(picture.FontSize, true);
    HGDIOBJ oldFont = SelectObject(dc, regular);
    SetBkMode(dc, TRANSPARENT);
    for (const TPictureText& text : picture.Texts) {
        SelectObject(dc, text.Bold ? bold : regular);
        SetTextColor(dc, ColourRef(text.Colour));
        const UINT anchor = text.Anchor == TTextAnchor::Middle ? TA_CENTER
                            : text.Anchor == TTextAnchor::End  ? TA_RIGHT
                                                               : TA_LEFT;
        SetTextAlign(dc, TA_BASELINE | anchor);
        const std::wstring words = WideFromUtf8(text.Text);
        TextOutW(dc, Pixel(text.X), Pixel(text.Y), words.c_str(), static_cast<int>(words.size()));
    }
    SelectObject(dc, oldFont);
    DeleteObject(regular);
    DeleteObject(bold);
    // The time cursor and the play's line, over everything.
    for (const auto& line : {picture.Cursor, picture.Play}) {
        if (!line)
            continue;
        HPEN pen = CreatePen(PS_SOLID, 2, ColourRef(line->Colour));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, Pixel(line->X1), Pixel(line->Y1), nullptr);
        LineTo(dc, Pixel(line->X2), Pixel(line->Y2));
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

std::optional<TViewerCommand> ViewerCommandOfKey(WORD key, bool control, bool shift, bool alt)
{
    for (const TViewerKey& viewerKey : ViewerKeys()) {
        const ACCEL wanted = ShortcutKey(viewerKey.Key, 0);
        // "+" and "-" of the keypad too; "+" is a shifted key on many layouts.
        const bool plus = wanted.key == VK_OEM_PLUS;
        const bool sameKey = key == wanted.key || (plus && key == VK_ADD) ||
                             (wanted.key == VK_OEM_MINUS && key == VK_SUBTRACT);
        if (sameKey && control == ((wanted.fVirt & FCONTROL) != 0) && alt == ((wanted.fVirt & FALT) != 0) &&
            (plus || shift == ((wanted.fVirt & FSHIFT) != 0)))
            return viewerKey.Command;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------

// The picture of the viewer model's image, laid out anew for the view's
// width, never shorter than its rows need, scrolled up and down. A click
// places the time cursor, Ctrl and the wheel zoom, the wheel sideways (or
// with Shift) scrolls across, the keys of ViewerKeys move and zoom; the bar
// under the mouse tells what it stands for.
class TSeqViewer::TPictureView {
public:
    TPictureView(HWND parent, TSeqViewerModel& model, std::function<std::uint8_t()> language,
                 std::function<void()> changed, const TScale& scale)
        : model_(model), language_(std::move(language)), changed_(std::move(changed)), scale_(scale)
    {
        RegisterWindowClass(PictureClass, WindowProc);
        window_ = CreateWindowExW(0, PictureClass, L"", WS_CHILD | WS_VSCROLL | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 10,
                                  10, parent, nullptr, ProgramInstance(), this);
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                   ProgramInstance(), nullptr);
        TOOLINFOW tool = Tool(L"");
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    HWND Window() const { return window_; }
    HWND Tooltip() const { return tooltip_; }
    const TSeqPicture& Picture() const { return picture_; }

    // Lays the picture out again from the model.
    void LayOut()
    {
        if (model_.Image() == nullptr)
            return;
        RECT client{};
        GetClientRect(window_, &client);
        const double ratio = Ratio();
        const double across = std::max(client.right / ratio, 1.0);
        model_.SetWidth(across);
        const std::uint8_t language = language_();
        const double least = std::ceil(model_.Picture(across, 1, language).Height);
        picture_ = model_.Picture(across, std::max(client.bottom / ratio, least), language);
        SCROLLINFO scroll = ScrollInfo(SIF_RANGE | SIF_PAGE);
        scroll.nMax = static_cast<int>(std::ceil(picture_.Height * ratio)) - 1;
        scroll.nPage = static_cast<UINT>(client.bottom);
        SetScrollInfo(window_, SB_VERT, &scroll, TRUE);
        ScrollTo(scroll_);
        InvalidateRect(window_, nullptr, FALSE);
    }

private:
    double Ratio() const { return static_cast<double>(scale_.Dpi) / USER_DEFAULT_SCREEN_DPI; }

    TOOLINFOW Tool(const wchar_t* text) const
    {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(window_);
        tool.lpszText = const_cast<wchar_t*>(text);
        return tool;
    }

    void ScrollTo(int position)
    {
        SCROLLINFO scroll = ScrollInfo(SIF_ALL);
        GetScrollInfo(window_, SB_VERT, &scroll);
        const int last = std::max(scroll.nMax - static_cast<int>(scroll.nPage) + 1, 0);
        position = std::clamp(position, 0, last);
        if (position == scroll_ && scroll.nPos == position)
            return;
        scroll_ = position;
        scroll.fMask = SIF_POS;
        scroll.nPos = position;
        SetScrollInfo(window_, SB_VERT, &scroll, TRUE);
        InvalidateRect(window_, nullptr, FALSE);
    }

    void Paint()
    {
        PaintBuffered(window_, [this](HDC buffer, const RECT& client) {
            FillArea(buffer, client, picture_.Background);
            // The picture in pixels at 100%, scaled to the screen and scrolled.
            SetGraphicsMode(buffer, GM_ADVANCED);
            const auto ratio = static_cast<FLOAT>(Ratio());
            const XFORM place{ratio, 0, 0, ratio, 0, -static_cast<FLOAT>(scroll_)};
            SetWorldTransform(buffer, &place);
            PaintSequence(buffer, picture_);
            ModifyWorldTransform(buffer, nullptr, MWT_IDENTITY);
        });
    }

    void MouseAt(int x, int y)
    {
        const double ratio = Ratio();
        const TPictureBar* bar = BarAt(picture_, x / ratio, (y + scroll_) / ratio);
        const std::wstring text = bar != nullptr ? WideFromUtf8(BarText(picture_, *bar)) : std::wstring();
        if (text == tip_)
            return;
        tip_ = text;
        const TOOLINFOW tool = Tool(tip_.c_str());
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    void Wheel(int delta, bool across, LPARAM at)
    {
        POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        ScreenToClient(window_, &point);
        if (!across && (GetKeyState(VK_CONTROL) & 0x8000) != 0)
            model_.Zoom(delta > 0, point.x / Ratio());
        else if (across || (GetKeyState(VK_SHIFT) & 0x8000) != 0)
            model_.ScrollBy((across ? delta : -delta) * 0.4);  // a notch of 120 scrolls 48 pixels
        else
            return ScrollTo(scroll_ - delta * scale_(40) / WHEEL_DELTA);
        changed_();
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = Self<TPictureView>(window, message, lParam);
        if (self == nullptr)
            return DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            // Laid out again, with what the new width shows across.
            self->changed_();
            return 0;
        case WM_MOUSEMOVE:
            self->MouseAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(window);
            self->model_.PlaceCursor(static_cast<short>(LOWORD(lParam)) / self->Ratio());
            self->changed_();
            return 0;
        case WM_KEYDOWN:
            if (const auto command = ViewerCommandOfKey(static_cast<WORD>(wParam), GetKeyState(VK_CONTROL) < 0,
                                                        GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0)) {
                self->model_.Run(*command);
                self->changed_();
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            self->Wheel(GET_WHEEL_DELTA_WPARAM(wParam), false, lParam);
            return 0;
        case WM_MOUSEHWHEEL:
            self->Wheel(GET_WHEEL_DELTA_WPARAM(wParam), true, lParam);
            return 0;
        case WM_VSCROLL: {
            SCROLLINFO scroll = ScrollInfo(SIF_ALL);
            GetScrollInfo(window, SB_VERT, &scroll);
            int position = self->scroll_;
            switch (LOWORD(wParam)) {
            case SB_LINEUP: position -= self->scale_(20); break;
            case SB_LINEDOWN: position += self->scale_(20); break;
            case SB_PAGEUP: position -= static_cast<int>(scroll.nPage); break;
            case SB_PAGEDOWN: position += static_cast<int>(scroll.nPage); break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: position = scroll.nTrackPos; break;
            case SB_TOP: position = 0; break;
            case SB_BOTTOM: position = scroll.nMax; break;
            default: break;
            }
            self->ScrollTo(position);
            return 0;
        }
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    TSeqViewerModel& model_;
    std::function<std::uint8_t()> language_;
    std::function<void()> changed_;
    TScale scale_;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    TSeqPicture picture_;
    int scroll_ = 0;  // screen pixels
    std::wstring tip_;
};

// ---------------------------------------------------------------------------

namespace {

// The zoom buttons, then those that play the show on the device.
constexpr std::array ButtonCommands{TViewerCommand::ZoomOut, TViewerCommand::ZoomIn, TViewerCommand::FitToWindow,
                                    TViewerCommand::Play,    TViewerCommand::Pause,  TViewerCommand::StopPlay};
constexpr int FirstButtonId = 100;

// The height text takes in a control of width, one line at least.
int TextHeight(HWND control, HFONT font, int width)
{
    const std::wstring text = WindowTextOf(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    RECT area{0, 0, std::max(width, 1), 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return area.bottom;
}

}  // namespace

TSeqViewer::TSeqViewer(TSeqViewerModel& viewer, std::function<std::uint8_t()> language, const TScale& scale,
                       std::function<void(TViewerCommand)> play)
    : viewer_(viewer), language_(std::move(language)), scale_(scale), play_(std::move(play))
{
    RegisterWindowClass(ViewerClass, WindowProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, ViewerClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, ProgramInstance(), this);
    font_ = MakeFont(TFontStyle::Window, scale_);
    fixedFont_ = MakeFixedFont(scale_);
    const auto child = [this](const wchar_t* windowClass, DWORD style, HFONT font, int id = 0) {
        HWND control = CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 10, 10, window_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    tabs_ = child(WC_TABCONTROLW, WS_VISIBLE, font_);
    for (int tab = 0; tab < 2; ++tab) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
    }
    // The pages stand on the tabs.
    heading_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX, font_);
    buttonTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                  ProgramInstance(), nullptr);
    for (std::size_t i = 0; i < ButtonCommands.size(); ++i) {
        HWND button = child(L"BUTTON", BS_PUSHBUTTON, font_, FirstButtonId + static_cast<int>(i));
        buttons_[ButtonCommands[i]] = button;
        // Its key, the first the model gives it.
        for (const TViewerKey& key : ViewerKeys())
            if (key.Command == ButtonCommands[i]) {
                const std::wstring text = WideFromUtf8(key.Key);
                TOOLINFOW tool{};
                tool.cbSize = sizeof tool;
                tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
                tool.hwnd = window_;
                tool.uId = reinterpret_cast<UINT_PTR>(button);
                tool.lpszText = const_cast<wchar_t*>(text.c_str());
                SendMessageW(buttonTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
                break;
            }
    }
    problem_ = child(L"STATIC", SS_CENTER | SS_NOPREFIX, font_);
    picture_ = std::make_unique<TPictureView>(window_, viewer_, language_, [this] { Changed(); }, scale_);
    view_ = picture_->Window();
    across_ = child(L"SCROLLBAR", SBS_HORZ, font_);
    readout_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX, font_);
    report_ = child(L"EDIT", WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                                 ES_AUTOVSCROLL,
                    fixedFont_);
    for (HWND page : {heading_, problem_, view_, across_, readout_, report_})
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (const auto& [command, button] : buttons_)
        SetWindowPos(button, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Never larger than the screen, whatever its scale.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const TViewerSize size = ViewerSizeFor(MulDiv(monitor.rcWork.right - monitor.rcWork.left, 96, scale_.Dpi),
                                           MulDiv(monitor.rcWork.bottom - monitor.rcWork.top, 96, scale_.Dpi));
    SizeForClientArea(window_, scale_(size.Width), scale_(size.Height));
    Refresh();
}

TSeqViewer::~TSeqViewer()
{
    DestroyOwnWindow(window_);
    DeleteObject(font_);
    DeleteObject(fixedFont_);
}

HWND TSeqViewer::Button(TViewerCommand command) const
{
    return buttons_.at(command);
}

HWND TSeqViewer::Tooltip() const
{
    return picture_->Tooltip();
}

const TSeqPicture& TSeqViewer::Picture() const
{
    return picture_->Picture();
}

void TSeqViewer::Refresh()
{
    const std::uint8_t language = language_();
    SetWindowTextW(window_, WideFromUtf8(viewer_.Title(language)).c_str());
    const std::wstring tabTexts[] = {WideFromUtf8(TSeqViewerModel::SequenceTab(language)),
                                     WideFromUtf8(TSeqViewerModel::ReportTab(language))};
    for (int tab = 0; tab < 2; ++tab) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabTexts[tab].c_str());
        SendMessageW(tabs_, TCM_SETITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
    }
    for (const TViewerCommand command : ButtonCommands)
        SetWindowTextW(Button(command), WideFromUtf8(TSeqViewerModel::CommandText(command, language)).c_str());
    SetWindowTextW(heading_, WideFromUtf8(viewer_.Heading(language)).c_str());
    SetWindowTextW(problem_, WideFromUtf8(viewer_.Problem(language)).c_str());
    SetWindowTextW(report_, WindowsLines(viewer_.ReportText(language)).c_str());
    SendMessageW(tabs_, TCM_SETCURSEL, viewer_.Page() == TViewerPage::Report ? 1 : 0, 0);
    LayOut();
    Changed();
    if (viewer_.Page() == TViewerPage::Sequence && IsWindowVisible(view_))
        SetFocus(view_);
}

void TSeqViewer::Changed()
{
    picture_->LayOut();
    const TViewerScroll scroll = viewer_.Scroll();
    // The bar's last position is its range less its page.
    SCROLLINFO info = ScrollInfo(SIF_ALL | SIF_DISABLENOSCROLL);
    info.nMax = scroll.Maximum + std::max(scroll.PageStep, 1) - 1;
    info.nPage = static_cast<UINT>(std::max(scroll.PageStep, 1));
    info.nPos = scroll.Value;
    SetScrollInfo(across_, SB_CTL, &info, TRUE);
    EnableWindow(across_, scroll.Maximum > 0);
    const std::string readout = viewer_.Readout(language_());
    if (Utf8FromWide(WindowTextOf(readout_)) != readout) {
        SetWindowTextW(readout_, WideFromUtf8(readout).c_str());
        LayOut();  // the readout may take more lines, or fewer
    }
    EnableWindow(Button(TViewerCommand::ZoomIn), viewer_.CanZoomIn());
    EnableWindow(Button(TViewerCommand::ZoomOut), viewer_.CanZoomOut());
    EnableWindow(Button(TViewerCommand::FitToWindow), viewer_.CanZoomOut());
    const bool playing = viewer_.PlayPosition().has_value();
    EnableWindow(Button(TViewerCommand::Play), viewer_.Image() != nullptr && !playing);
    EnableWindow(Button(TViewerCommand::Pause), playing);
    EnableWindow(Button(TViewerCommand::StopPlay), playing);
}

void TSeqViewer::Scrolled(WORD how)
{
    const TViewerScroll scroll = viewer_.Scroll();
    int value = scroll.Value;
    switch (how) {
    case SB_LINELEFT: value -= scroll.SingleStep; break;
    case SB_LINERIGHT: value += scroll.SingleStep; break;
    case SB_PAGELEFT: value -= scroll.PageStep; break;
    case SB_PAGERIGHT: value += scroll.PageStep; break;
    case SB_LEFT: value = 0; break;
    case SB_RIGHT: value = scroll.Maximum; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = ScrollInfo(SIF_TRACKPOS);
        GetScrollInfo(across_, SB_CTL, &info);
        value = info.nTrackPos;
        break;
    }
    default: return;
    }
    value = std::clamp(value, 0, scroll.Maximum);
    if (value == scroll.Value)
        return;
    viewer_.ScrollTo(value);
    Changed();
}

void TSeqViewer::Show()
{
    if (!IsWindowVisible(window_))
        CentreOnScreen(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
    if (viewer_.Page() == TViewerPage::Sequence && IsWindowVisible(view_))
        SetFocus(view_);
}

void TSeqViewer::Hide()
{
    ShowWindow(window_, SW_HIDE);
}

bool TSeqViewer::Visible() const
{
    return IsWindowVisible(window_) != FALSE;
}

void TSeqViewer::LayOut()
{
    RECT client{};
    GetClientRect(window_, &client);
    const int margin = scale_(6);
    InflateRect(&client, -margin, -margin);
    SetWindowPos(tabs_, nullptr, client.left, client.top, client.right - client.left, client.bottom - client.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT page = client;
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    const int width = page.right - page.left;
    const auto place = [](HWND control, int x, int y, int w, int h) {
        SetWindowPos(control, nullptr, x, y, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The heading beside the buttons, the readout under the scroll bar
    // across, the picture between. The buttons as wide as their longest
    // caption needs.
    int buttonWidth = scale_(80);
    {
        HDC dc = GetDC(window_);
        HGDIOBJ old = SelectObject(dc, font_);
        for (const TViewerCommand command : ButtonCommands) {
            const std::wstring caption = WindowTextOf(Button(command));
            SIZE size{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
            buttonWidth = std::max<int>(buttonWidth, size.cx + scale_(16));
        }
        SelectObject(dc, old);
        ReleaseDC(window_, dc);
    }
    const int buttonHeight = scale_(23);
    const int gap = scale_(4);
    const int buttons = static_cast<int>(ButtonCommands.size());
    const int headingWidth = width - buttons * (buttonWidth + gap);
    const int top = std::max(buttonHeight, TextHeight(heading_, font_, headingWidth)) + gap;
    place(heading_, page.left, page.top, headingWidth, top - gap);
    for (std::size_t i = 0; i < ButtonCommands.size(); ++i)
        place(Button(ButtonCommands[i]), page.left + headingWidth + gap + static_cast<int>(i) * (buttonWidth + gap),
              page.top, buttonWidth, buttonHeight);
    const int readoutHeight = TextHeight(readout_, font_, width);
    const int acrossHeight = GetSystemMetrics(SM_CYHSCROLL);
    place(readout_, page.left, page.bottom - readoutHeight, width, readoutHeight);
    place(across_, page.left, page.bottom - readoutHeight - gap - acrossHeight, width, acrossHeight);
    place(view_, page.left, page.top + top, width, page.bottom - readoutHeight - 2 * gap - acrossHeight - page.top - top);
    place(problem_, page.left, page.top + top, width, page.bottom - page.top - top);
    place(report_, page.left, page.top, width, page.bottom - page.top);
    ShowTab(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
}

void TSeqViewer::ShowTab(int tab)
{
    const bool sequence = tab == 0;
    const bool problem = GetWindowTextLengthW(problem_) > 0;
    const auto show = [](HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOW : SW_HIDE); };
    show(heading_, sequence && GetWindowTextLengthW(heading_) > 0);
    show(problem_, sequence && problem);
    for (HWND part : {view_, across_, readout_})
        show(part, sequence && !problem);
    for (const auto& [command, button] : buttons_)
        show(button, sequence && !problem);
    show(report_, !sequence);
}

LRESULT CALLBACK TSeqViewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TSeqViewer>(window, message, lParam);
    if (self == nullptr || self->readout_ == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        self->LayOut();
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->hwndFrom == self->tabs_ &&
            reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE) {
            const int tab = static_cast<int>(SendMessageW(self->tabs_, TCM_GETCURSEL, 0, 0));
            self->viewer_.SetPage(tab == 1 ? TViewerPage::Report : TViewerPage::Sequence);
            self->ShowTab(tab);
        }
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= FirstButtonId && id < FirstButtonId + static_cast<int>(ButtonCommands.size())) {
            const TViewerCommand command = ButtonCommands[static_cast<std::size_t>(id - FirstButtonId)];
            if (PlaysTheShow(command)) {
                if (self->play_)
                    self->play_(command);
            } else {
                self->viewer_.Run(command);
                self->Changed();
            }
            // The keys stay the picture's.
            SetFocus(self->view_);
        }
        return 0;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == self->across_)
            self->Scrolled(LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        self->Hide();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

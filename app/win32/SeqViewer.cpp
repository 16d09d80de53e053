#include "SeqViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "LogWindow.h"
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
}

// ---------------------------------------------------------------------------

// The picture laid out anew for the view's width, never shorter than its
// rows need, scrolled up and down; the bar under the mouse tells what it
// stands for.
class TSeqViewer::TPictureView {
public:
    TPictureView(HWND parent, const TScale& scale) : scale_(scale)
    {
        RegisterWindowClass(PictureClass, WindowProc);
        window_ = CreateWindowExW(0, PictureClass, L"", WS_CHILD | WS_VSCROLL | WS_CLIPSIBLINGS, 0, 0, 10, 10,
                                  parent, nullptr, ProgramInstance(), this);
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

    void SetImage(const TSeqImage& image, std::uint8_t language)
    {
        image_ = image;
        language_ = language;
        LayOut();
    }

    void LayOut()
    {
        if (!image_)
            return;
        RECT client{};
        GetClientRect(window_, &client);
        const double ratio = Ratio();
        const double across = std::max(client.right / ratio, 1.0);
        const double least = std::ceil(LayOutSequence(*image_, language_, {across, 1}).Height);
        picture_ = LayOutSequence(*image_, language_, {across, std::max(client.bottom / ratio, least)});
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
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window_, &paint);
        RECT client{};
        GetClientRect(window_, &client);
        HDC buffer = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ old = SelectObject(buffer, bitmap);
        FillArea(buffer, client, picture_.Background);
        // The picture in pixels at 100%, scaled to the screen and scrolled.
        SetGraphicsMode(buffer, GM_ADVANCED);
        const auto ratio = static_cast<FLOAT>(Ratio());
        const XFORM place{ratio, 0, 0, ratio, 0, -static_cast<FLOAT>(scroll_)};
        SetWorldTransform(buffer, &place);
        PaintSequence(buffer, picture_);
        ModifyWorldTransform(buffer, nullptr, MWT_IDENTITY);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, old);
        DeleteObject(bitmap);
        DeleteDC(buffer);
        EndPaint(window_, &paint);
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
            self->LayOut();
            return 0;
        case WM_MOUSEMOVE:
            self->MouseAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_MOUSEWHEEL:
            self->ScrollTo(self->scroll_ - GET_WHEEL_DELTA_WPARAM(wParam) * self->scale_(40) / WHEEL_DELTA);
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
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    TScale scale_;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    std::optional<TSeqImage> image_;
    std::uint8_t language_ = LanguageEnglish;
    TSeqPicture picture_;
    int scroll_ = 0;  // screen pixels
    std::wstring tip_;
};

// ---------------------------------------------------------------------------

TSeqViewer::TSeqViewer(const TSeqViewerModel& viewer, std::function<std::uint8_t()> language, const TScale& scale)
    : viewer_(viewer), language_(std::move(language)), scale_(scale)
{
    RegisterWindowClass(ViewerClass, WindowProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    window_ = CreateWindowExW(0, ViewerClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, nullptr, nullptr, ProgramInstance(), this);
    font_ = MakeFont(TFontStyle::Window, scale_);
    fixedFont_ = MakeFixedFont(scale_);
    const auto child = [this](const wchar_t* windowClass, DWORD style, HFONT font) {
        HWND control = CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 10, 10, window_,
                                       nullptr, ProgramInstance(), nullptr);
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
    problem_ = child(L"STATIC", SS_CENTER | SS_NOPREFIX, font_);
    picture_ = std::make_unique<TPictureView>(window_, scale_);
    view_ = picture_->Window();
    report_ = child(L"EDIT", WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                                 ES_AUTOVSCROLL,
                    fixedFont_);
    for (HWND page : {problem_, view_, report_})
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SizeForClientArea(window_, scale_(TSeqViewerModel::FirstWidth), scale_(TSeqViewerModel::FirstHeight));
    Refresh();
}

TSeqViewer::~TSeqViewer()
{
    if (IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    DeleteObject(font_);
    DeleteObject(fixedFont_);
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
    SetWindowTextW(window_, WideFromUtf8(TSeqViewerModel::Title(language)).c_str());
    const std::wstring tabTexts[] = {WideFromUtf8(TSeqViewerModel::SequenceTab(language)),
                                     WideFromUtf8(TSeqViewerModel::ReportTab(language))};
    for (int tab = 0; tab < 2; ++tab) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabTexts[tab].c_str());
        SendMessageW(tabs_, TCM_SETITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
    }
    if (const TSeqImage* image = viewer_.Image())
        picture_->SetImage(*image, language);
    SetWindowTextW(problem_, WideFromUtf8(viewer_.Problem(language)).c_str());
    SetWindowTextW(report_, WindowsLines(viewer_.ReportText(language)).c_str());
    LayOut();
}

void TSeqViewer::Show()
{
    if (!IsWindowVisible(window_))
        CentreOnScreen(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
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
    for (HWND control : {problem_, view_, report_})
        SetWindowPos(control, nullptr, page.left, page.top, page.right - page.left, page.bottom - page.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    ShowTab(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
}

void TSeqViewer::ShowTab(int tab)
{
    const bool problem = GetWindowTextLengthW(problem_) > 0;
    ShowWindow(problem_, tab == 0 && problem ? SW_SHOW : SW_HIDE);
    ShowWindow(view_, tab == 0 && !problem ? SW_SHOW : SW_HIDE);
    ShowWindow(report_, tab == 1 ? SW_SHOW : SW_HIDE);
}

LRESULT CALLBACK TSeqViewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TSeqViewer>(window, message, lParam);
    if (self == nullptr || self->tabs_ == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        self->LayOut();
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->hwndFrom == self->tabs_ &&
            reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE)
            self->ShowTab(static_cast<int>(SendMessageW(self->tabs_, TCM_GETCURSEL, 0, 0)));
        return 0;
    case WM_CLOSE:
        self->Hide();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

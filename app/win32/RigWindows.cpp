#include "RigWindows.h"

#include <algorithm>

#include "Utf8.h"
#include "WindowModel.h"

namespace {

constexpr wchar_t TestBoxClass[] = L"TOREMForm7";
constexpr wchar_t MonitorClass[] = L"TOREMForm6";

void Show(HWND window)
{
    if (!IsWindowVisible(window))
        CentreOnScreen(window);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

}  // namespace

TOutputTestBox::TOutputTestBox(TWindowModel& model, const TScale& scale)
    : model_(model), form_(TControl::Form7, TestBoxClass, WindowProc, WS_MINIMIZEBOX, nullptr, this, scale)
{
}

void TOutputTestBox::SetText(TControl control, const std::string& text)
{
    form_.SetText(control, text);
}

int TOutputTestBox::Number(TControl numberBox) const
{
    return NumberOf(Window(), numberBox);
}

void TOutputTestBox::Show()
{
    // Also here: a box shown while the program is not in front is never
    // made active.
    model_.FormActivated(TControl::Form7);
    ::Show(Window());
}

void TOutputTestBox::Hide()
{
    ShowWindow(Window(), SW_HIDE);
}

LRESULT CALLBACK TOutputTestBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TOutputTestBox>(window, message, lParam);
    if (self != nullptr) {
        switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && IsWindowVisible(window))
                self->model_.FormActivated(TControl::Form7);
            break;
        case WM_COMMAND: {
            const auto control = static_cast<TControl>(LOWORD(wParam));
            if (HIWORD(wParam) == BN_CLICKED && self->form_.Has(control) &&
                ControlSpec(control).Kind == TControlKind::Button)
                self->model_.Click(control);
            else if (LOWORD(wParam) == IDCANCEL)
                self->Hide();
            return 0;
        }
        case WM_CLOSE:
            self->Hide();
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------

TOutputMonitor::TOutputMonitor(TWindowModel& model, const TScale& scale) : model_(model), scale_(scale)
{
    RegisterWindowClass(MonitorClass, WindowProc);
    window_ = CreateWindowExW(0, MonitorClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                              nullptr, nullptr, ProgramInstance(), this);
    SizeForClientArea(window_, scale_(MonitorWindowSize.Width), scale_(MonitorWindowSize.Height));
}

TOutputMonitor::~TOutputMonitor()
{
    DestroyOwnWindow(window_);
}

void TOutputMonitor::Show()
{
    Refresh();
    ::Show(window_);
}

void TOutputMonitor::Hide()
{
    ShowWindow(window_, SW_HIDE);
}

void TOutputMonitor::Refresh()
{
    SetWindowTextW(window_, WideFromUtf8(model_.MonitorTitle()).c_str());
    InvalidateRect(window_, nullptr, FALSE);
}

bool TOutputMonitor::Visible() const
{
    return IsWindowVisible(window_) != FALSE;
}

void TOutputMonitor::Paint(HDC dc, const RECT& client)
{
    // Two banks of 8 rows of 16 cells, a caption over each, the legend
    // under them; the cells take what room the window gives.
    HBRUSH dark = CreateSolidBrush(RGB(20, 20, 20));
    FillRect(dc, &client, dark);
    DeleteObject(dark);
    const auto cells = model_.MonitorCells();
    const int margin = scale_(8);
    const double cellWidth = (client.right - 2.0 * margin) / 16;
    const double cellHeight = (client.bottom - 3.0 * margin) / 19;  // 2 captions, 16 rows, the legend
    const int pixels = std::max(scale_(9), static_cast<int>(cellHeight * 0.55));
    const auto font = [pixels](int weight) {
        return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
    };
    HFONT bold = font(FW_BOLD);
    HFONT regular = font(FW_NORMAL);
    HGDIOBJ oldFont = SelectObject(dc, bold);
    SetBkMode(dc, TRANSPARENT);
    const auto text = [dc](const std::string& words, RECT area, UINT align, COLORREF colour) {
        SetTextColor(dc, colour);
        const std::wstring wide = WideFromUtf8(words);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    };
    const auto at = [](double value) { return static_cast<LONG>(value); };
    for (unsigned bank = 0; bank < 2; ++bank) {
        const double top = margin + bank * 9 * cellHeight;
        text(model_.MonitorCaption(bank), {margin, at(top), client.right - margin, at(top + cellHeight)}, DT_LEFT,
             RGB(220, 220, 220));
        for (unsigned index = 0; index < 128; ++index) {
            const auto& cell = cells[bank * 128 + index];
            const double left = margin + (index % 16) * cellWidth;
            const double cellTop = top + (1 + index / 16) * cellHeight;
            const RECT box{at(left), at(cellTop), at(left + cellWidth) - 2, at(cellTop + cellHeight) - 2};
            HBRUSH fill = CreateSolidBrush(ColourRef(cell.Background));
            FillRect(dc, &box, fill);
            DeleteObject(fill);
            text(cell.Text, box, DT_CENTER, ColourRef(cell.Foreground));
        }
    }
    SelectObject(dc, regular);
    text(model_.MonitorLegend(),
         {margin, at(margin + 18 * cellHeight), client.right - margin, at(margin + 19 * cellHeight)}, DT_LEFT,
         RGB(220, 220, 220));
    SelectObject(dc, oldFont);
    DeleteObject(bold);
    DeleteObject(regular);
}

LRESULT CALLBACK TOutputMonitor::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TOutputMonitor>(window, message, lParam);
    if (self != nullptr) {
        switch (message) {
        case WM_PAINT:
            PaintBuffered(window, [self](HDC dc, const RECT& client) { self->Paint(dc, client); });
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETMINMAXINFO: {
            // Never so small that the cells cannot be read.
            RECT least{0, 0, self->scale_(MonitorLeastSize.Width), self->scale_(MonitorLeastSize.Height)};
            AdjustWindowRectEx(&least, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE, 0);
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
            return 0;
        }
        case WM_CLOSE:
            self->Hide();
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

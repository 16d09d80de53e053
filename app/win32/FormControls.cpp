#include "FormControls.h"

#include <commctrl.h>

#include "Controls.h"
#include "Utf8.h"

namespace {

// The arrows of a number box, beside it.
int ArrowsId(TControl numberBox)
{
    return 0x1000 + static_cast<int>(numberBox);
}

std::map<TControl, HWND> BuildFormControls(HWND window, TControl form, const TScale& scale, HFONT windowFont,
                                           HFONT arialFont)
{
    std::map<TControl, HWND> controls;
    for (const TControlSpec& described : WindowControls()) {
        if (described.Parent != form)
            continue;
        HFONT font = described.Font == TFontStyle::Arial13 ? arialFont : windowFont;
        const RECT place = scale.Rect(described.Bounds);
        const auto child = [&](const wchar_t* windowClass, const std::wstring& text, DWORD style) {
            HWND control = CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left,
                                           place.top, place.right - place.left, place.bottom - place.top, window,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(described.Id)), ProgramInstance(),
                                           nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return control;
        };
        HWND control = nullptr;
        switch (described.Kind) {
        case TControlKind::Button:
            control = child(L"BUTTON", WideFromUtf8(described.DesignText), WS_TABSTOP | BS_PUSHBUTTON);
            break;
        case TControlKind::NumberBox: {
            // A line to type the number in, with arrows that step it.
            control = child(L"EDIT", std::to_wstring(described.Initial), WS_TABSTOP | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL);
            HWND arrows = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                          WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                                              UDS_NOTHOUSANDS,
                                          0, 0, 0, 0, window,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ArrowsId(described.Id))),
                                          ProgramInstance(), nullptr);
            SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(control), 0);
            // The arrows overlap the line's border and end short of the place:
            // the two are moved to fill it, as one box of the description.
            RECT line{};
            RECT drawn{};
            GetWindowRect(control, &line);
            GetWindowRect(arrows, &drawn);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&line), 2);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&drawn), 2);
            const int gap = place.right - drawn.right;
            SetWindowPos(control, nullptr, 0, 0, line.right - line.left + gap, line.bottom - line.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(arrows, nullptr, drawn.left + gap, drawn.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageW(arrows, UDM_SETRANGE32, static_cast<WPARAM>(described.Min), described.Max);
            SendMessageW(arrows, UDM_SETPOS32, 0, described.Initial);
            break;
        }
        case TControlKind::Panel:
        case TControlKind::Picture:
        case TControlKind::Label:
        case TControlKind::StaticText:
            control = CreateControl(window, described, scale, font, {});
            // A box's frame alone: the box's own face shows inside it.
            if (described.Kind == TControlKind::Panel)
                SetFill(control, GetSysColor(COLOR_BTNFACE));
            break;
        default:
            continue;
        }
        controls[described.Id] = control;
    }
    return controls;
}

}  // namespace

TFormWindow::TFormWindow(TControl form, const wchar_t* windowClass, WNDPROC windowProc, DWORD style, HWND owner,
                         void* self, const TScale& scale)
    : form_(form)
{
    RegisterWindowClass(windowClass, windowProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, windowClass, L"",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | style, 0, 0, 100, 100, owner,
                              nullptr, ProgramInstance(), self);
    windowFont_ = MakeFont(TFontStyle::Window, scale);
    arialFont_ = MakeFont(TFontStyle::Arial13, scale);
    controls_ = BuildFormControls(window_, form, scale, windowFont_, arialFont_);
    const TBounds client = ControlSpec(form).Bounds;
    SizeForClientArea(window_, scale(client.Width), scale(client.Height));
}

TFormWindow::~TFormWindow()
{
    DestroyOwnWindow(window_);
    DeleteObject(windowFont_);
    DeleteObject(arialFont_);
}

void TFormWindow::SetText(TControl control, const std::string& text)
{
    if (control == form_) {
        SetWindowTextW(window_, WideFromUtf8(text).c_str());
        return;
    }
    HWND child = controls_.at(control);
    if (ControlSpec(control).Kind == TControlKind::Button)
        SetWindowTextW(child, WideFromUtf8(text).c_str());
    else
        SetControlText(child, text);
}

int NumberOf(HWND window, TControl numberBox)
{
    // A number typed beyond the range is taken at its nearest end.
    BOOL failed = FALSE;
    return static_cast<int>(
        SendMessageW(GetDlgItem(window, ArrowsId(numberBox)), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
}

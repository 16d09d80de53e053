#include "Help.h"

#include "FormControls.h"
#include "Utf8.h"
#include "WindowModel.h"

namespace {

constexpr wchar_t AboutClass[] = L"TOREMForm2";

}  // namespace

TForm2::TForm2(TWindowModel& model, HWND owner, const TScale& scale)
    : model_(model), owner_(owner), form_(TControl::Form2, AboutClass, WindowProc, 0, owner, this, scale)
{
    // OK is the box's default button: Enter presses it.
    SendMessageW(Control(TControl::OKBtn), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    CentreOnScreen(Window());
}

void TForm2::SetText(TControl control, const std::string& text)
{
    form_.SetText(control, text);
}

void TForm2::ShowModal()
{
    const bool ownerEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
    if (ownerEnabled)
        EnableWindow(owner_, FALSE);
    // Also here: a box shown while the program is not in front is never
    // made active.
    model_.AboutBoxActivated();
    HWND window = Window();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(Control(TControl::OKBtn));
    MSG message{};
    while (IsWindowVisible(window)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (ownerEnabled)
        EnableWindow(owner_, TRUE);
    ShowWindow(window, SW_HIDE);
}

LRESULT CALLBACK TForm2::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TForm2>(window, message, lParam);
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && IsWindowVisible(window))
            self->model_.AboutBoxActivated();
        break;
    case WM_COMMAND:
        // OK, Enter and Escape close the box.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL ||
            LOWORD(wParam) == static_cast<WORD>(TControl::OKBtn))
            ShowWindow(window, SW_HIDE);
        return 0;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

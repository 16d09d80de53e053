#include "Win32Dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <filesystem>

#include "Utf8.h"
#include "Win32Ui.h"

namespace {

constexpr wchar_t BoxClass[] = L"TOREMBox";
// The prompt's second button, as Qt's input dialog names it in either language.
constexpr char CancelButton[] = "Cancel";

struct TBoxWindow {
    TBoxSpec Described;
    bool Waits = false;  // RunBox owns it; ShowBox's goes with its window
    HFONT Font = nullptr;
    HWND Icon = nullptr;
    HWND Text = nullptr;
    HWND Entry = nullptr;
    std::vector<HWND> Buttons;
    std::optional<std::size_t> Chosen;
};

TBoxWindow* BoxOf(HWND box)
{
    return reinterpret_cast<TBoxWindow*>(GetWindowLongPtrW(box, GWLP_USERDATA));
}

SIZE TextSize(HDC dc, const std::wstring& text, int widest)
{
    RECT area{0, 0, widest, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return {area.right, area.bottom};
}

void Place(HWND control, int x, int y, int width, int height)
{
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Icon and text side by side, the line to type in under the text, the
// buttons in a row at the bottom right; the box as large as they need.
void LayOut(HWND box, TBoxWindow& data)
{
    const TScale scale{SystemDpi()};
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, data.Font);
    const int margin = scale(11);
    const int gap = scale(7);
    const int icon = data.Icon != nullptr ? GetSystemMetrics(SM_CXICON) : 0;
    const SIZE text = TextSize(dc, WideFromUtf8(data.Described.Text), scale(420));
    int buttonWidth = scale(75);
    for (const std::string& caption : data.Described.Buttons)
        buttonWidth = std::max<int>(buttonWidth, TextSize(dc, WideFromUtf8(caption), 10000).cx + scale(16));
    SelectObject(dc, old);
    ReleaseDC(box, dc);

    const int buttonHeight = scale(23);
    const int buttons = static_cast<int>(data.Buttons.size());
    const int buttonsWidth = buttons * buttonWidth + (buttons - 1) * gap;
    const int left = margin + (icon > 0 ? icon + margin : 0);
    const int entryWidth = data.Entry != nullptr ? std::max<int>(text.cx, scale(260)) : 0;
    const int entryHeight = data.Entry != nullptr ? scale(21) : 0;
    const int contentHeight = std::max<int>(icon, text.cy + (data.Entry != nullptr ? gap + entryHeight : 0));
    const int width = std::max<int>(left + std::max<int>(text.cx, entryWidth) + margin, buttonsWidth + 2 * margin);
    const int height = margin + contentHeight + margin + buttonHeight + margin;

    if (data.Icon != nullptr)
        Place(data.Icon, margin, margin, icon, icon);
    // A short text stands in the middle of the icon's height.
    const int textTop = margin + (data.Entry == nullptr && text.cy < icon ? (icon - text.cy) / 2 : 0);
    Place(data.Text, left, textTop, text.cx, text.cy);
    if (data.Entry != nullptr)
        Place(data.Entry, left, textTop + text.cy + gap, width - left - margin, entryHeight);
    for (int i = 0; i < buttons; ++i)
        Place(data.Buttons[static_cast<std::size_t>(i)], width - margin - buttonsWidth + i * (buttonWidth + gap),
              height - margin - buttonHeight, buttonWidth, buttonHeight);
    SizeForClientArea(box, width, height);
    // Over the window it belongs to, else in the middle of the screen.
    HWND owner = GetWindow(box, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        RECT over{};
        RECT outer{};
        GetWindowRect(owner, &over);
        GetWindowRect(box, &outer);
        SetWindowPos(box, nullptr, (over.left + over.right - (outer.right - outer.left)) / 2,
                     (over.top + over.bottom - (outer.bottom - outer.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        CentreOnScreen(box);
    }
}

void Choose(HWND box, TBoxWindow& data, std::size_t button)
{
    if (data.Chosen)
        return;
    data.Chosen = button;
    if (!data.Waits)
        DestroyWindow(box);
}

LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    TBoxWindow* data = Self<TBoxWindow>(box, message, lParam);
    if (data == nullptr)
        return DefWindowProcW(box, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDOK)
            Choose(box, *data, data->Described.DefaultButton);
        else if (id == IDCANCEL)
            Choose(box, *data, data->Described.CancelButton);
        else if (id >= BoxFirstButtonId && id < BoxFirstButtonId + static_cast<int>(data->Buttons.size()))
            Choose(box, *data, static_cast<std::size_t>(id - BoxFirstButtonId));
        return 0;
    }
    case WM_CLOSE:
        Choose(box, *data, data->Described.CancelButton);
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_NCDESTROY:
        SetWindowLongPtrW(box, GWLP_USERDATA, 0);
        DeleteObject(data->Font);
        if (!data->Waits)
            delete data;
        else if (!data->Chosen)
            data->Chosen = data->Described.CancelButton;  // gone with the window it belonged to
        return 0;
    default:
        return DefWindowProcW(box, message, wParam, lParam);
    }
}

HWND CreateBox(HWND owner, TBoxWindow* data)
{
    RegisterWindowClass(BoxClass, BoxProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    data->Font = CreateFontIndirectW(&metrics.lfMessageFont);
    HWND box = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, BoxClass,
                               WideFromUtf8(data->Described.Title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                               100, 100, owner, nullptr, ProgramInstance(), data);
    if (box == nullptr)
        return nullptr;
    // The dialog's own icon would stand in the title bar: boxes have none.
    SendMessageW(box, WM_SETICON, ICON_SMALL, 0);
    SendMessageW(box, WM_SETICON, ICON_BIG, 0);
    const auto child = [&](const wchar_t* windowClass, const std::string& text, DWORD style, int id) {
        HWND control = CreateWindowExW(0, windowClass, WideFromUtf8(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                       0, 0, 10, 10, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       ProgramInstance(), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(data->Font), FALSE);
        return control;
    };
    if (data->Described.Icon != nullptr) {
        data->Icon = child(L"STATIC", "", SS_ICON, -1);
        SendMessageW(data->Icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, data->Described.Icon)), 0);
    }
    data->Text = child(L"STATIC", data->Described.Text, SS_LEFT | SS_NOPREFIX, BoxTextId);
    if (data->Described.Entry) {
        data->Entry = child(L"EDIT", *data->Described.Entry, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, BoxEntryId);
        SendMessageW(data->Entry, EM_SETSEL, 0, -1);
    }
    for (std::size_t i = 0; i < data->Described.Buttons.size(); ++i)
        data->Buttons.push_back(child(L"BUTTON", data->Described.Buttons[i],
                                      WS_TABSTOP | (i == data->Described.DefaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                      BoxFirstButtonId + static_cast<int>(i)));
    LayOut(box, *data);
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    SetFocus(data->Entry != nullptr ? data->Entry : data->Buttons.at(data->Described.DefaultButton));
    return box;
}

// Windows' own icons are numbers, in a pointer as every resource name.
LPCWSTR SystemIcon(LPCSTR icon)
{
    return reinterpret_cast<LPCWSTR>(icon);
}

TBoxSpec MessageBoxSpec(const char* title, LPCSTR icon, const std::string& text)
{
    return {title, SystemIcon(icon), text, {OkButton}, 0, 0, std::nullopt};
}

}  // namespace

std::size_t RunBox(HWND owner, const TBoxSpec& described, std::string* entry)
{
    TBoxWindow data;
    data.Described = described;
    data.Waits = true;
    const bool ownerEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerEnabled)
        EnableWindow(owner, FALSE);
    HWND box = CreateBox(owner, &data);
    MSG message{};
    while (box != nullptr && !data.Chosen) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the loop that runs it is told again.
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            data.Chosen = described.CancelButton;
            break;
        }
        if (!IsDialogMessageW(box, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (entry != nullptr && data.Entry != nullptr && IsWindow(data.Entry))
        *entry = Utf8FromWide(WindowTextOf(data.Entry));
    // Enabled before the box goes, so that Windows gives the window back the
    // activation.
    if (ownerEnabled)
        EnableWindow(owner, TRUE);
    if (box != nullptr && IsWindow(box))
        DestroyWindow(box);
    return data.Chosen.value_or(described.CancelButton);
}

HWND ShowBox(HWND owner, const TBoxSpec& described)
{
    auto* data = new TBoxWindow;
    data->Described = described;
    HWND box = CreateBox(owner, data);
    if (box == nullptr)
        delete data;
    return box;
}

void SetBoxText(HWND box, const std::string& text)
{
    TBoxWindow* data = BoxOf(box);
    if (data == nullptr)
        return;
    data->Described.Text = text;
    SetWindowTextW(data->Text, WideFromUtf8(text).c_str());
    LayOut(box, *data);
}

// ---------------------------------------------------------------------------

void TWin32Dialogs::Warning(const std::string& text)
{
    RunBox(owner_, MessageBoxSpec(WarningTitle, IDI_WARNING, text));
}

void TWin32Dialogs::WarningNoWait(const std::string& text)
{
    if (HWND box = NoWaitBox()) {
        SetBoxText(box, text);
        SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    noWaitBox_ = ShowBox(owner_, MessageBoxSpec(WarningTitle, IDI_WARNING, text));
}

HWND TWin32Dialogs::NoWaitBox() const
{
    return noWaitBox_ != nullptr && IsWindow(noWaitBox_) && BoxOf(noWaitBox_) != nullptr ? noWaitBox_ : nullptr;
}

void TWin32Dialogs::Information(const std::string& text)
{
    RunBox(owner_, MessageBoxSpec(InformationTitle, IDI_INFORMATION, text));
}

bool TWin32Dialogs::InformationWithButton(const std::string& text, const std::string& button)
{
    TBoxSpec described = MessageBoxSpec(InformationTitle, IDI_INFORMATION, text);
    described.Buttons.push_back(button);
    return RunBox(owner_, described) == 1;
}

bool TWin32Dialogs::Confirmation(const std::string& text)
{
    // Yes is Enter; No, Escape and the close box keep the file.
    return RunBox(owner_, {ConfirmationTitle, SystemIcon(IDI_QUESTION), text, {YesButton, NoButton}, 0, 1, std::nullopt}) == 0;
}

std::optional<std::string> TWin32Dialogs::AskPortName(const std::string& question, const std::string& current)
{
    const std::string title = owner_ != nullptr ? Utf8FromWide(WindowTextOf(owner_)) : std::string();
    std::string answer;
    if (RunBox(owner_, {title, nullptr, question, {OkButton, CancelButton}, 0, 1, current}, &answer) != 0)
        return std::nullopt;
    return answer;
}

namespace {

// "Midi files" and "*.mid" as a file dialog takes them: name and pattern,
// each ended by a zero, and a zero after the last.
std::wstring FilterText(const TFileFilter& filter)
{
    return WideFromUtf8(filter.Name) + L'\0' + WideFromUtf8(filter.Pattern) + L'\0' + L'\0';
}

std::optional<std::string> RunFileDialog(HWND owner, const std::string& current, const TFileFilter& filter,
                                         bool save)
{
    const std::wstring filterText = FilterText(filter);
    const std::wstring extension = WideFromUtf8(filter.DefaultExtension);
    const std::filesystem::path chosen = PathFromUtf8(current);
    const std::wstring folder = current.empty() ? std::wstring() : chosen.parent_path().wstring();
    // Long names: room for the longest path Windows takes.
    std::wstring file(32768, L'\0');
    const std::wstring name = current.empty() ? std::wstring() : chosen.filename().wstring();
    std::copy(name.begin(), name.end(), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterText.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The Convert command asks before it replaces the file, not the dialog.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? 0 : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return std::nullopt;
    return Utf8FromWide(file.c_str());
}

}  // namespace

std::optional<std::string> TWin32Dialogs::OpenMidiFile(const std::string& current)
{
    return RunFileDialog(owner_, current, MidiFileFilter, false);
}

std::optional<std::string> TWin32Dialogs::SaveSeqFile(const std::string& current)
{
    return RunFileDialog(owner_, current, SeqFileFilter, true);
}

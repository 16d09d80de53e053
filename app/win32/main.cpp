#include "main.h"

#include <commctrl.h>
#include <shellapi.h>

#include "Controls.h"
#include "Help.h"
#include "LogWindow.h"
#include "RigWindows.h"
#include "SeqViewer.h"
#include "Text.h"
#include "Utf8.h"
#include "Win32MessageLoop.h"

namespace {

constexpr wchar_t FormClass[] = L"TOREMForm1";

// Shape5 and Timer2 as the activity indicator: red for an event, maroon
// again when Timer2 (100 ms) runs out after the last one.
class TLamp final : public TActivityIndicator {
public:
    TLamp(HWND shape, TMessageLoop& loop, std::function<void()> timer2Timer)
        : shape_(shape), Timer2(loop.NewClock("Timer2", std::move(timer2Timer)))
    {
    }
    void SetLit(bool lit) override
    {
        SetFill(shape_, ColourRef(lit ? LampLitColour : ControlSpec(TControl::Shape5).Background));
    }
    void RestartClock() override { Timer2->Start(std::chrono::milliseconds(100)); }
    void StopClock() override { Timer2->Stop(); }

private:
    HWND shape_;
    std::unique_ptr<TTimerClock> Timer2;
};


}  // namespace

TForm1::TForm1(const TForm1Services& services)
    : services_(services), scale_{services.Dpi > 0 ? services.Dpi : SystemDpi()}
{
    const INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&common);
    RegisterWindowClass(FormClass, WindowProc, 0, GetSysColorBrush(COLOR_BTNFACE));
    // Single border, not resizable.
    window_ = CreateWindowExW(0, FormClass, WideFromUtf8(WindowTitle).c_str(),
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, ProgramInstance(), this);
    if (window_ == nullptr)
        throw std::runtime_error("cannot create the window (error " + std::to_string(GetLastError()) +
                                 "; under wine, a display is needed)");
    SetMenu(window_, menus_.Bar());
    // A MIDI file dropped becomes the one to convert, a sequence file opens
    // in the viewer.
    DragAcceptFiles(window_, TRUE);
    font_ = MakeFont(TFontStyle::Window, scale_);
    Build();
    const TBounds client = ControlSpec(TControl::Form1).Bounds;
    SizeForClientArea(window_, scale_(client.Width), scale_(client.Height));
    CentreOnScreen(window_);

    if (services_.AdoptDialogs)
        services_.AdoptDialogs(window_);
    loop_ = std::make_unique<TWin32MessageLoop>([this](std::exception_ptr error) {
        if (model_ != nullptr)
            model_->ReportError(error);
    });
    indicator_ = std::make_unique<TLamp>(Control(TControl::Shape5), *loop_, [this] { model_->Timer2Timer(); });
    model_ = std::make_unique<TWindowModel>(TWindowSeams{services_, *this, *loop_, *indicator_});
    model_->FormCreate();
}

TForm1::~TForm1()
{
    viewer_.reset();
    log_.reset();
    testBox_.reset();
    monitor_.reset();
    model_.reset();
    indicator_.reset();
    loop_.reset();
    // Gone without a close: nothing is run on the way.
    closed_ = true;
    DestroyOwnWindow(window_);
    DeleteObject(font_);
}

// ---------------------------------------------------------------------------
// Building the window from its description

void TForm1::Build()
{
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                ProgramInstance(), nullptr);
    // Wide enough for a port's reasons, one to a line.
    SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, scale_(480));
    // Menus have no tooltips of their own: one that follows the item.
    menuTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               ProgramInstance(), nullptr);
    TOOLINFOW menuTool{};
    menuTool.cbSize = sizeof menuTool;
    menuTool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    menuTool.hwnd = window_;
    menuTool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(menuTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&menuTool));
    controls_[TControl::Form1] = window_;
    for (const TControlSpec& described : WindowControls()) {
        // The About box and the test box build themselves.
        if (described.Id == TControl::Form1 || FormOf(described.Id) != TControl::Form1 || described.Parent == TControl::None)
            continue;
        switch (described.Kind) {
        case TControlKind::Panel:
        case TControlKind::Label:
        case TControlKind::SpeedButton:
        case TControlKind::Picture:
        case TControlKind::Shape: {
            std::function<void()> onClick;
            if (described.Command != TCommand::None)
                onClick = [this, id = described.Id] { model_->Click(id); };
            HWND control = CreateControl(Control(described.Parent), described, scale_, font_, std::move(onClick));
            controls_[described.Id] = control;
            if (described.Kind == TControlKind::SpeedButton || described.Value != TLabelValue::None) {
                TOOLINFOW tool{};
                tool.cbSize = sizeof tool;
                tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
                tool.hwnd = window_;
                tool.uId = reinterpret_cast<UINT_PTR>(control);
                const std::wstring hint = described.Kind == TControlKind::SpeedButton ? WideFromUtf8(DesignCaption(described))
                                                                                   : std::wstring();
                tool.lpszText = const_cast<wchar_t*>(hint.c_str());
                SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
            break;
        }
        default:
            break;
        }
    }
}

HWND TForm1::Control(TControl control) const
{
    return controls_.at(control);
}

void TForm1::SetTooltip(HWND control, const std::string& text)
{
    const std::wstring wide = WideFromUtf8(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---------------------------------------------------------------------------
// What the model tells the window to show

void TForm1::SetText(TControl control, const std::string& text)
{
    const TControlSpec& described = ControlSpec(control);
    const TControl form = FormOf(control);
    if (form == TControl::Form2) {
        if (aboutBox_ != nullptr)
            aboutBox_->SetText(control, text);
        return;
    }
    if (form == TControl::Form7) {
        if (testBox_ != nullptr)
            testBox_->SetText(control, text);
        return;
    }
    switch (described.Kind) {
    case TControlKind::Menu:
    case TControlKind::MenuItem:
        menus_.SetCaption(control, text);
        if (described.Parent == TControl::MainMenu1)
            DrawMenuBar(window_);
        break;
    case TControlKind::SpeedButton:
        // The hint, which the button's window text names too.
        SetWindowTextW(Control(control), WideFromUtf8(text).c_str());
        SetTooltip(Control(control), text);
        break;
    case TControlKind::Label:
        SetControlText(Control(control), text);
        break;
    default:
        break;
    }
}

void TForm1::SetValueLabel(TControl label, const TValueLabel& value)
{
    HWND control = Control(label);
    SetValueText(control, value, ColourRef(value.Alert ? AlertTextColour : TRgb{0, 0, 0}));
    SetTooltip(control, value.Tooltip);
}

void TForm1::Check(TControl item)
{
    menus_.Check(item);
}

void TForm1::ClearChecks(TRadioGroup group)
{
    menus_.ClearChecks(group);
}

void TForm1::SetItems(TControl slot, const std::vector<TRunTimeItem>& items)
{
    menus_.SetItems(slot, items);
}

void TForm1::CheckItem(TControl slot, std::size_t index)
{
    menus_.CheckItem(slot, index);
}

void TForm1::SetSelected(TControl picture, bool selected)
{
    SetPicture(Control(picture), PictureOf(Control(selected ? TControl::Image6 : TControl::Image7)));
}

void TForm1::SetEnabled(TControl control, bool enabled)
{
    if (menus_.SetEnabled(control, enabled)) {
        if (ControlSpec(control).Parent == TControl::MainMenu1)
            DrawMenuBar(window_);
        return;
    }
    EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

void TForm1::PopUp(TControl menu)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    // A pop-up menu of a window that is not in front would not go away
    // when the user clicks elsewhere.
    SetForegroundWindow(window_);
    TrackPopupMenuEx(menus_.Menu(menu), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, window_,
                     nullptr);
    PostMessageW(window_, WM_NULL, 0, 0);
}

void TForm1::ShowAboutBox()
{
    if (aboutBox_ != nullptr)
        aboutBox_->ShowModal();
}

void TForm1::ShowForm(TControl form)
{
    if (form != TControl::Form7)
        return;
    if (testBox_ == nullptr)
        testBox_ = std::make_unique<TOutputTestBox>(*model_, scale_);
    testBox_->Show();
}

int TForm1::Number(TControl numberBox) const
{
    return testBox_ != nullptr ? testBox_->Number(numberBox) : ControlSpec(numberBox).Initial;
}

void TForm1::ShowMonitor()
{
    if (monitor_ == nullptr)
        monitor_ = std::make_unique<TOutputMonitor>(*model_, scale_);
    monitor_->Show();
}

void TForm1::RefreshMonitor()
{
    if (monitor_ != nullptr)
        monitor_->Refresh();
}

bool TForm1::MonitorVisible() const
{
    return monitor_ != nullptr && monitor_->Visible();
}

void TForm1::RedrawSequenceViewer()
{
    if (viewer_ != nullptr)
        viewer_->Changed();
}

void TForm1::ShowSequenceViewer()
{
    if (viewer_ == nullptr)
        viewer_ = std::make_unique<TSeqViewer>(
            model_->Viewer(), [this] { return model_->Settings().LanguageIndex; }, scale_,
            [this](TViewerCommand command) { model_->PlayCommand(command); });
    viewer_->Refresh();
    viewer_->Show();
}

void TForm1::RefreshSequenceViewer()
{
    if (viewer_ != nullptr)
        viewer_->Refresh();
}

bool TForm1::SequenceViewerVisible() const
{
    return viewer_ != nullptr && viewer_->Visible();
}

void TForm1::ShowLog()
{
    if (log_ == nullptr)
        log_ = std::make_unique<TLogWindow>(scale_);
    RefreshLog();
    log_->Show();
}

void TForm1::RefreshLog()
{
    if (log_ != nullptr)
        log_->SetTexts(Text(StatusEntry::LogTitle, model_->Settings().LanguageIndex), model_->LogText());
}

void TForm1::CloseWindow()
{
    Close();
}

// ---------------------------------------------------------------------------
// Messages

bool TForm1::TranslateKeys(MSG& message)
{
    if (message.hwnd == nullptr)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (testBox_ != nullptr && root == testBox_->Window())
        return IsDialogMessageW(root, &message) != FALSE;
    if (menus_.Accelerators() == nullptr || root != window_)
        return false;
    return TranslateAcceleratorW(window_, menus_.Accelerators(), &message) != 0;
}

void TForm1::MenuItemSelected(HMENU menu, UINT item, UINT flags)
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    const std::string* text = (flags & MF_POPUP) == 0 && menu != nullptr ? menus_.TooltipOf(item) : nullptr;
    if (text == nullptr) {
        SendMessageW(menuTip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    // Beside the item, where the menu shows it.
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        RECT place{};
        if (GetMenuItemID(menu, position) != item || !GetMenuItemRect(window_, menu, static_cast<UINT>(position), &place))
            continue;
        const std::wstring wide = WideFromUtf8(*text);
        tool.lpszText = const_cast<wchar_t*>(wide.c_str());
        SendMessageW(menuTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(menuTip_, TTM_TRACKPOSITION, 0, MAKELPARAM(place.right + scale_(4), place.top));
        SendMessageW(menuTip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        return;
    }
}

void TForm1::FilesDropped(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(Utf8FromWide(path));
    }
    DragFinish(drop);
    if (model_->CanDrop(paths))
        model_->FilesDropped(paths);
}

void TForm1::Close()
{
    if (!closed_) {
        closed_ = true;
        // The viewer, the log and the rig's windows would stay behind.
        if (viewer_ != nullptr)
            viewer_->Hide();
        if (log_ != nullptr)
            log_->Hide();
        if (testBox_ != nullptr)
            testBox_->Hide();
        if (monitor_ != nullptr)
            monitor_->Hide();
        model_->FormClose();
    }
    if (IsWindow(window_))
        DestroyWindow(window_);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = Self<TForm1>(window, message, lParam);
    if (self == nullptr || self->model_ == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may be thrown through Windows' own frames.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        self->model_->ReportError(std::current_exception());
        return 0;
    }
}

LRESULT TForm1::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Menus and shortcuts; the controls call the model themselves.
        if (lParam == 0) {
            if (const auto item = menus_.ItemOf(LOWORD(wParam))) {
                if (item->Index)
                    model_->ClickItem(item->Control, *item->Index);
                else
                    model_->Click(item->Control);
            }
        }
        return 0;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == FALSE) {
            const TControl menu = menus_.MenuOf(reinterpret_cast<HMENU>(wParam));
            if (menu != TControl::None)
                model_->MenuOpening(menu);
        }
        return 0;
    case WM_MENUSELECT:
        MenuItemSelected(reinterpret_cast<HMENU>(lParam), LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_EXITMENULOOP:
        MenuItemSelected(nullptr, 0, 0);
        return 0;
    case WM_DROPFILES:
        FilesDropped(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // Windows ends the program once this returns: as File, Exit.
        if (wParam != FALSE)
            Close();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

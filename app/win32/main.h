#pragma once
// TForm1, the main window's Windows face: the controls, menus and pop-up
// menus of the window's description as Windows windows and menus, each
// control carrying its control number as its ID. Clicks, menu commands and
// shortcuts go to the window model, which decides everything and tells the
// face what to show through TWindowView.
//
// Closing the window (its close box, File > Exit, or Windows ending the
// session) runs the model's shut-down once and ends the program's message
// loop.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

#include "Menus.h"
#include "Win32Ui.h"
#include "WindowModel.h"
#include "WindowView.h"

class TForm2;
class TLogWindow;
class TOutputMonitor;
class TOutputTestBox;
class TSeqViewer;
class TWin32MessageLoop;

// What the program gives the window, and how its boxes learn the window
// they belong to: called with the window before its start-up sequence runs,
// so that every box of the run, the first warnings included, is one of it.
struct TForm1Services : TWindowServices {
    std::function<void(HWND window)> AdoptDialogs;
    // The screen's dots an inch; 0 for the system's.
    int Dpi = 0;
};

class TForm1 final : private TWindowView {
public:
    // Builds the window (not shown yet) with its design texts, then runs the
    // start-up.
    explicit TForm1(const TForm1Services& services);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Window() const { return window_; }
    TWindowModel& Model() { return *model_; }
    AppSettings& Settings() { return model_->Settings(); }
    // The About box that About1 shows; the program entry creates it.
    void SetAboutBox(TForm2* aboutBox) { aboutBox_ = aboutBox; }
    // A shortcut of the window's menus, while the window or one of its
    // controls has the keyboard, or a key of the output test box (Tab,
    // Enter): carried out, and true.
    bool TranslateKeys(MSG& message);

    // For the tests: the control of a name, a menu, the tooltips of the
    // buttons and labels, the viewer once opened, the scale.
    HWND Control(TControl control) const;
    HMENU Menu(TControl menu) const { return menus_.Menu(menu); }
    static UINT CommandOf(TControl item) { return TMenus::CommandOf(item); }
    static UINT CommandOf(TControl slot, std::size_t index) { return TMenus::CommandOf(slot, index); }
    HWND Tooltips() const { return tooltips_; }
    TSeqViewer* SeqViewer() const { return viewer_.get(); }
    TLogWindow* LogWindow() const { return log_.get(); }
    TOutputTestBox* TestBox() const { return testBox_.get(); }
    TOutputMonitor* Monitor() const { return monitor_.get(); }
    const TScale& Scale() const { return scale_; }

private:
    // TWindowView
    void SetText(TControl control, const std::string& text) override;
    void SetValueLabel(TControl label, const TValueLabel& value) override;
    void Check(TControl item) override;
    void ClearChecks(TRadioGroup group) override;
    void SetItems(TControl slot, const std::vector<TRunTimeItem>& items) override;
    void CheckItem(TControl slot, std::size_t index) override;
    void SetSelected(TControl picture, bool selected) override;
    void SetEnabled(TControl control, bool enabled) override;
    void PopUp(TControl menu) override;
    void ShowAboutBox() override;
    void ShowForm(TControl form) override;
    int Number(TControl numberBox) const override;
    void ShowMonitor() override;
    void RefreshMonitor() override;
    bool MonitorVisible() const override;
    void ShowSequenceViewer() override;
    void RefreshSequenceViewer() override;
    bool SequenceViewerVisible() const override;
    void RedrawSequenceViewer() override;
    void ShowLog() override;
    void RefreshLog() override;
    void CloseWindow() override;

    void Build();
    void SetTooltip(HWND control, const std::string& text);
    // The tooltip of the run-time item the mouse rests on in a menu.
    void MenuItemSelected(HMENU menu, UINT item, UINT flags);
    void FilesDropped(HDROP drop);
    void Close();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    TForm1Services services_;
    TScale scale_;
    HWND window_ = nullptr;
    HWND tooltips_ = nullptr;
    HWND menuTip_ = nullptr;
    HFONT font_ = nullptr;
    TMenus menus_;
    std::map<TControl, HWND> controls_;
    std::unique_ptr<TWin32MessageLoop> loop_;
    std::unique_ptr<TActivityIndicator> indicator_;
    TForm2* aboutBox_ = nullptr;
    std::unique_ptr<TSeqViewer> viewer_;
    std::unique_ptr<TLogWindow> log_;
    std::unique_ptr<TOutputTestBox> testBox_;
    std::unique_ptr<TOutputMonitor> monitor_;
    std::unique_ptr<TWindowModel> model_;
    bool closed_ = false;
};

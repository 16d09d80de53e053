#pragma once
// The Windows face of checking the rig: the output test box, built from the
// window's description by the same piece as the About box, and the output
// monitor, which draws the model's cells large enough to read from a few
// metres. Both are windows of their own, hidden when closed.

#include <windows.h>

#include <string>

#include "FormControls.h"
#include "Win32Ui.h"

class TWindowModel;

class TOutputTestBox final {
public:
    // model must outlive the box.
    TOutputTestBox(TWindowModel& model, const TScale& scale);
    TOutputTestBox(const TOutputTestBox&) = delete;
    TOutputTestBox& operator=(const TOutputTestBox&) = delete;

    // The title or a text of the box.
    void SetText(TControl control, const std::string& text);
    int Number(TControl numberBox) const;
    // Shows the box, in front when it was open already; its texts come
    // from the model as it becomes active.
    void Show();
    void Hide();

    HWND Window() const { return form_.Window(); }
    HWND Control(TControl control) const { return form_.Control(control); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TWindowModel& model_;
    TFormWindow form_;
};

class TOutputMonitor final {
public:
    // model must outlive the monitor.
    TOutputMonitor(TWindowModel& model, const TScale& scale);
    ~TOutputMonitor();
    TOutputMonitor(const TOutputMonitor&) = delete;
    TOutputMonitor& operator=(const TOutputMonitor&) = delete;

    // Shows the monitor, in front when it was open already.
    void Show();
    void Hide();
    // Draws the model's cells again.
    void Refresh();
    bool Visible() const;

    HWND Window() const { return window_; }

private:
    void Paint(HDC dc, const RECT& client);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TWindowModel& model_;
    TScale scale_;
    HWND window_ = nullptr;
};

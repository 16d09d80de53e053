#pragma once
// TForm2, the About box's Windows face: the maker's logo, the program's
// name, its version and the maker's web address, built from the window's
// description, with an OK button. Each time the box becomes active the
// window model gives it its texts in the language of the moment.

#include <windows.h>

#include <string>

#include "FormControls.h"
#include "Win32Ui.h"
#include "WindowDescription.h"

class TWindowModel;

class TForm2 final {
public:
    // model (the main window's) must outlive the box; the box belongs to
    // owner and is hidden until shown.
    TForm2(TWindowModel& model, HWND owner, const TScale& scale);
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    // The title or a line of the box.
    void SetText(TControl control, const std::string& text);
    // Shows the box and returns once it is closed; its owner takes no input
    // meanwhile.
    void ShowModal();

    HWND Window() const { return form_.Window(); }
    HWND Control(TControl control) const { return form_.Control(control); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TWindowModel& model_;
    HWND owner_;
    TFormWindow form_;
};

#pragma once
// The controls of a window of the description beside the main one (the
// About box, the output test box), built on their Windows window with the
// window's own IDs, and their texts set; both boxes are built by this one
// piece. A button tells its window with WM_COMMAND and its control's number.

#include <windows.h>

#include <map>
#include <string>

#include "Win32Ui.h"
#include "WindowDescription.h"

using TFormControls = std::map<TControl, HWND>;

// Builds the children of form on window; fonts must outlive them (the
// window's 8 points and the About box's 13-pixel Arial).
TFormControls BuildFormControls(HWND window, TControl form, const TScale& scale, HFONT windowFont, HFONT arialFont);

// The window's title, or the text of one of its labels, static texts or
// buttons.
void SetFormText(HWND window, const TFormControls& controls, TControl form, TControl control, const std::string& text);

// The number a number box of the window holds, within its range.
int NumberOf(HWND window, TControl numberBox);

#pragma once
// The controls of the window and the About box that Windows has no exact
// equal for, as windows of one class of ours: panels with their edge,
// labels that never resize, pictures, flat picture buttons, the lamp Shape5
// and the About box's centred lines. Each stands at its place of the
// description, carries its design name's control number as its ID and its
// text as its window text; later controls of the description stand on
// earlier ones, and what a control leaves transparent shows the controls
// beneath it and its panel.

#include <windows.h>

#include <functional>
#include <string>

#include "Win32Ui.h"
#include "WindowDescription.h"
#include "WindowView.h"

// Creates the described control in parent, at its place at the scale, with its
// design text. onClick runs when a picture with a command or a button is
// clicked (pressed and released inside with the left button). font must
// outlive the control.
HWND CreateControl(HWND parent, const TControlSpec& described, const TScale& scale, HFONT font,
                   std::function<void()> onClick);

// The text of a label, a line of the About box (or the hint kept by a
// button, which its tooltip shows).
void SetControlText(HWND control, const std::string& text);
// A label that shows a value after its table text, and maybe a suffix after
// it: the value shortened where the label says when it does not fit, in
// textColour.
void SetValueText(HWND control, const TValueLabel& value, COLORREF textColour);
// The text colour a label draws with now.
COLORREF TextColourOf(HWND control);
// A picture takes another picture's image.
void SetPicture(HWND control, TArtwork artwork);
TArtwork PictureOf(HWND control);
// The lamp's or a panel's fill.
void SetFill(HWND control, COLORREF colour);
COLORREF FillOf(HWND control);

// Whether the control and every window it stands in are enabled: a control
// of a disabled panel looks disabled and takes no click.
bool EnabledWithParents(HWND control);

#pragma once
// The controls of a window of the description beside the main one (the
// About box, the output test box), built on their Qt window, and their
// texts set; both boxes are built by this one piece.

#include <functional>
#include <map>
#include <string>

#include <QWidget>

#include "WindowDescription.h"

using TFormControls = std::map<TControl, QWidget*>;

// Builds the children of form (a window of the description) on widget; a
// button's click runs clicked with the button.
TFormControls BuildFormControls(QWidget& widget, TControl form, const std::function<void(TControl)>& clicked);

// The window's title, or the text of one of its labels, static texts or
// buttons.
void SetFormText(QWidget& widget, const TFormControls& controls, TControl form, TControl control,
                 const std::string& text);

#pragma once
// What the window model tells its face to show. A face (Qt, Win32; a
// recording one in tests) builds its widgets from the window's description
// and carries these out to the letter: it decides nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "WindowDescription.h"

// A label that shows a value after its table text: the port, the MIDI
// device, a file name, the transposition.
struct TValueLabel {
    std::string Prefix;  // the table text, blanks and all
    std::string Value;
    std::string Tooltip{};  // empty: none
    bool Alert = false;   // the value is chosen but not working: a dark red text
    // Where a value too long for the label is shortened, the prefix kept
    // whole (FittedLabelText): not at all (cut at the right edge), in the
    // middle, or at its start (the end of a path matters most).
    enum class TElide : std::uint8_t { None, Middle, Start };
    TElide Elide = TElide::None;
    // Shown after the value and kept whole, whatever is shortened.
    std::string Suffix{};
    // Shortened in the middle, the bytes at the value's end that stay whole
    // as long as they fit: a path's file name.
    std::size_t KeepEnd = 0;
    bool operator==(const TValueLabel&) const = default;
};

// What a label of width shows of a value label: the prefix, the value and
// the suffix when they fit; else the value shortened as Elide says, with
// "…" where a run of it went (in the middle, the kept end whole as long as
// that fits); where not even "…" fits, the prefix and the suffix alone.
// measure gives the width of a text as the face draws it.
using TTextWidth = std::function<double(std::string_view text)>;
std::string FittedLabelText(const TValueLabel& label, double width, const TTextWidth& measure);
// The characters of a UTF-8 text, as a width of one each: where a text is
// shortened to a number of characters (a menu item).
double CharacterCount(std::string_view text);

// An item made at run time in an item slot.
struct TRunTimeItem {
    std::string Name;     // the control's name, e.g. "MidiInPortMenu2"
    std::string Caption;  // shown as it is: an ampersand is no accelerator mark
    int Tag = 0;
    bool Enabled = true;
    bool Checkable = true;  // a radio item of the slot's group
    // The byte of Caption shown underlined, the item's accelerator; none
    // when npos.
    std::size_t Underlined = std::string::npos;
    std::string Tooltip{};  // empty: none
    bool operator==(const TRunTimeItem&) const = default;
};

class TWindowView {
public:
    virtual ~TWindowView() = default;

    // The caption of a menu or item, the title of a window, the hint of a
    // button, the text of a label or a static text.
    virtual void SetText(TControl control, const std::string& text) = 0;
    virtual void SetValueLabel(TControl label, const TValueLabel& value) = 0;
    // Checks a radio item; the others of its group, run-time items
    // included, are cleared.
    virtual void Check(TControl item) = 0;
    // Clears every item of a radio group.
    virtual void ClearChecks(TRadioGroup group) = 0;
    // The items of a slot, replacing those it held.
    virtual void SetItems(TControl slot, const std::vector<TRunTimeItem>& items) = 0;
    // Checks the item at index of a slot, clearing the rest of its group.
    virtual void CheckItem(TControl slot, std::size_t index) = 0;
    // A selection picture takes the selected look (Image6) or the other
    // (Image7), and is repainted.
    virtual void SetSelected(TControl picture, bool selected) = 0;
    // A panel with everything on it, or a menu with its items.
    virtual void SetEnabled(TControl control, bool enabled) = 0;
    // Shows a pop-up menu with its top-left corner at the mouse cursor.
    virtual void PopUp(TControl menu) = 0;
    // Shows the About box, modally; its texts come from the model when it
    // becomes active.
    virtual void ShowAboutBox() = 0;
    // Shows another window of the description (the output test box), not
    // modally, raised when already open; its texts come from the model when
    // it becomes active (FormActivated).
    virtual void ShowForm(TControl form) = 0;
    // The number a number box holds.
    virtual int Number(TControl numberBox) const = 0;
    // The output monitor: shown (raised when open) and drawn again from the
    // model's MonitorCells; whether it is still open.
    virtual void ShowMonitor() = 0;
    virtual void RefreshMonitor() = 0;
    virtual bool MonitorVisible() const = 0;
    // Shows the sequence viewer, raised when already open, from what the
    // model's viewer holds.
    virtual void ShowSequenceViewer() = 0;
    // An open viewer shows the model's viewer again (a new image or report,
    // another language); a closed one stays closed.
    virtual void RefreshSequenceViewer() = 0;
    virtual bool SequenceViewerVisible() const = 0;
    // An open viewer draws its picture again (the play's line moved), its
    // texts and tab as they are.
    virtual void RedrawSequenceViewer() = 0;
    // Shows the log window, raised when already open, with the model's
    // LogText; RefreshLog shows it again in an open one.
    virtual void ShowLog() = 0;
    virtual void RefreshLog() = 0;
    // Closes the main window, which ends the program (and runs FormClose).
    virtual void CloseWindow() = 0;
};

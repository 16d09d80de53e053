#pragma once
// The user's boxes on Windows: warnings, information and confirmations in
// boxes of our own, whose titles and buttons are those of Dialogs.h
// whatever the language of Windows (its own message box would say Yes and
// No in that language); "Other port..." as such a box with a line to type
// in; the file dialogs of Windows with wide names.
//
// A box that waits keeps processing messages while it is up, so timers and
// MIDI notifications run meanwhile; the window it belongs to takes no input
// until it goes.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "FileDialogs.h"
#include "PortNamePrompt.h"

class TWin32Dialogs final : public TDialogs, public TFileDialogs, public TPortNamePrompt {
public:
    // The boxes belong to owner (none until the window exists).
    void SetOwner(HWND owner) { owner_ = owner; }

    void Warning(const std::string& text) override;
    void WarningNoWait(const std::string& text) override;
    bool WarningNoWaitShown() const override { return NoWaitBox() != nullptr; }
    void Information(const std::string& text) override;
    bool InformationWithButton(const std::string& text, const std::string& button) override;
    bool Confirmation(const std::string& text) override;

    std::optional<std::string> OpenMidiFile(const std::string& current) override;
    std::optional<std::string> SaveSeqFile(const std::string& current) override;

    std::optional<std::string> AskPortName(const std::string& question, const std::string& current) override;

    // The box that does not wait, while it is up: the program's message
    // loop hands it its keys (IsDialogMessage).
    HWND NoWaitBox() const;

private:
    HWND owner_ = nullptr;
    HWND noWaitBox_ = nullptr;
};

// The controls of a box by their IDs: the text, the line to type in, the
// buttons from the first on.
inline constexpr int BoxTextId = 98;
inline constexpr int BoxEntryId = 99;
inline constexpr int BoxFirstButtonId = 100;

// A box of ours, for the dialogs above and their tests.
struct TBoxSpec {
    std::string Title;
    LPCWSTR Icon = nullptr;  // IDI_WARNING and the like; none for a prompt
    std::string Text;
    std::vector<std::string> Buttons;
    std::size_t DefaultButton = 0;  // Enter
    std::size_t CancelButton = 0;   // Escape and the close box
    std::optional<std::string> Entry;  // a line to type in, with its text
};

// Shows the box, waits for a button and returns its index; entry, when the
// box has a line, receives what it holds.
std::size_t RunBox(HWND owner, const TBoxSpec& described, std::string* entry = nullptr);
// Shows the box and returns at once; the box goes with any of its buttons.
HWND ShowBox(HWND owner, const TBoxSpec& described);
// A box's text replaced, the box laid out anew for it.
void SetBoxText(HWND box, const std::string& text);

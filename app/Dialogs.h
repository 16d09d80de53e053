#pragma once
// The user's message boxes, as the core commands see them. The window shows
// modal boxes (which keep processing events while open); the command-line
// tools print; tests record.

#include <string>

// The boxes' titles and buttons, the same in both languages.
inline constexpr char WarningTitle[] = "Avertissement";
inline constexpr char InformationTitle[] = "Information";
inline constexpr char ConfirmationTitle[] = "Confirmation";
inline constexpr char OkButton[] = "OK";
inline constexpr char YesButton[] = "&Oui";
inline constexpr char NoButton[] = "&Non";

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // Warning box with an OK button.
    virtual void Warning(const std::string& text) = 0;
    // The same box, but it does not wait for the OK: the caller goes on at
    // once, with no nested message loop. At most one such box is on screen;
    // a newer text replaces the one it shows.
    virtual void WarningNoWait(const std::string& text) = 0;
    // Whether that box is still on screen (its OK not yet pressed), so that
    // what it shows can grow or be brought up to date.
    virtual bool WarningNoWaitShown() const { return false; }
    // Information box with an OK button.
    virtual void Information(const std::string& text) = 0;
    // The same box with a second button captioned button; true when the
    // user chose it. Where no box can offer it (a console), the plain box,
    // and false.
    virtual bool InformationWithButton(const std::string& text, const std::string& button)
    {
        static_cast<void>(button);
        Information(text);
        return false;
    }
    // Confirmation box with Yes and No; true only for Yes.
    virtual bool Confirmation(const std::string& text) = 0;
};

#pragma once
// The user's message boxes, as the core commands see them. The window shows
// modal boxes (which keep processing events while open); the command-line
// tools print; tests record.

#include <string>

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // Warning box with an OK button.
    virtual void Warning(const std::string& text) = 0;
    // Information box with an OK button.
    virtual void Information(const std::string& text) = 0;
    // Confirmation box with Yes and No; true only for Yes.
    virtual bool Confirmation(const std::string& text) = 0;
};

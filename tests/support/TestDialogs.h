#pragma once
// Dialogs for tests: records every box shown, answers confirmations as told.

#include <string>
#include <vector>

#include "Dialogs.h"

class TTestDialogs : public TDialogs {
public:
    enum class Kind { Warning, Information, Confirmation };
    struct Shown {
        Kind kind;
        std::string text;
        bool waited = true;  // false for a box that did not wait for its OK
    };

    void Warning(const std::string& text) override { shown.push_back({Kind::Warning, text}); }
    // Recorded as a warning that did not wait; it never pumps, whatever the
    // dialogs do for the other boxes.
    void WarningNoWait(const std::string& text) override { shown.push_back({Kind::Warning, text, false}); }
    // The box that does not wait is closed again at once, as if its OK was
    // pressed, unless the test keeps it up.
    bool WarningNoWaitShown() const override { return noWaitOpen; }
    bool noWaitOpen = false;
    void Information(const std::string& text) override { shown.push_back({Kind::Information, text}); }
    // Recorded as an information box; the button's caption is kept.
    bool InformationWithButton(const std::string& text, const std::string& button) override
    {
        Information(text);
        buttons.push_back(button);
        return chooseButton;
    }
    bool Confirmation(const std::string& text) override
    {
        shown.push_back({Kind::Confirmation, text});
        return answerYes;
    }

    std::vector<std::string> TextsOf(Kind kind) const
    {
        std::vector<std::string> texts;
        for (const Shown& s : shown)
            if (s.kind == kind)
                texts.push_back(s.text);
        return texts;
    }

    bool answerYes = false;
    bool chooseButton = false;  // the second button of an information box
    std::vector<Shown> shown;
    std::vector<std::string> buttons;
};

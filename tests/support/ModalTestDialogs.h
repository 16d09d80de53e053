#pragma once
// Test dialogs whose boxes behave like the window's modal ones: while a box
// is on screen, the given message pump processes what is pending, so timers
// and MIDI notifications run nested inside it. The core's tests pump their
// event loop, the window's tests Qt's events. Every box is recorded as
// TTestDialogs records it.

#include <functional>
#include <string>

#include "MessagePump.h"
#include "TestDialogs.h"

class TModalTestDialogs final : public TTestDialogs {
public:
    // The pump must outlive the dialogs.
    explicit TModalTestDialogs(TMessagePump& pump) : pump_(pump) {}

    void Warning(const std::string& text) override;
    void Information(const std::string& text) override;
    bool Confirmation(const std::string& text) override;

    // Runs inside each box once it is up, before the pump: what the user
    // (or the keyboard) does while the box is on screen.
    std::function<void(const std::string& text)> whileShown;
    // Boxes on screen now, and the most that were on screen at once.
    int open = 0;
    int maxOpen = 0;

private:
    void StayOpen(const std::string& text);

    TMessagePump& pump_;
};

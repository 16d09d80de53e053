#pragma once
// Test dialogs whose boxes behave like the window's modal ones: each box keeps
// the event loop running for a while before it returns, so timers and MIDI
// notifications run nested inside it. Every box is recorded as TTestDialogs
// records it.

#include <chrono>
#include <functional>
#include <string>

#include "EventLoop.h"
#include "TestDialogs.h"

class TModalTestDialogs final : public TTestDialogs {
public:
    // The loop must outlive the dialogs.
    explicit TModalTestDialogs(TEventLoop& loop,
                               std::chrono::milliseconds openFor = std::chrono::milliseconds(50));

    void Warning(const std::string& text) override;
    void Information(const std::string& text) override;
    bool Confirmation(const std::string& text) override;

    // How long each box stays on screen, pumping the loop.
    std::chrono::milliseconds openFor;
    // Runs inside each box once it is up, before the loop is pumped: what
    // the user (or the keyboard) does while the box is on screen.
    std::function<void(const std::string& text)> whileShown;
    // Boxes on screen now, and the most that were on screen at once.
    int open = 0;
    int maxOpen = 0;

private:
    void StayOpen(const std::string& text);

    TEventLoop& loop_;
};

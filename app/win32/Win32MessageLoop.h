#pragma once
// The Windows message loop as the owner's message loop of the window model
// and its live session: a hidden message-only window whose timers are the
// clocks (Timer1, the acknowledgement clock, among them), to which the MIDI
// driver's thread posts its notifications, and the pump that processes
// pending messages inside a wait. What a handler throws goes to the error
// sink (the window's general error report): Windows cannot take it back
// through its loop.
//
// The pump leaves keyboard and mouse input queued until the handshake is
// over (about a second at most): a menu command or a dialog opened inside
// the wait would run nested in it, and its own wait would outlast the
// acknowledgement clock.

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include "MessageLoop.h"

class TWin32MessageLoop final : public TMessageLoop, private TMessagePump {
public:
    using TErrorSink = std::function<void(std::exception_ptr)>;

    // On the thread that runs the loop.
    explicit TWin32MessageLoop(TErrorSink onError);
    ~TWin32MessageLoop() override;
    TWin32MessageLoop(const TWin32MessageLoop&) = delete;
    TWin32MessageLoop& operator=(const TWin32MessageLoop&) = delete;

    TMessagePump& Pump() override { return *this; }
    TAckClock& AckClock() override;
    std::unique_ptr<TTimerClock> NewClock(std::string_view name, std::function<void()> onRunOut) override;
    std::unique_ptr<TNotificationTarget> NewNotificationTarget() override;

    // The hidden window (tests look for its timers).
    HWND Window() const { return window_; }

private:
    class TClock;
    class TAck;
    class TTarget;

    void ProcessMessages() override;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Guard(const std::function<void()>& handler);

    TErrorSink onError_;
    HWND window_ = nullptr;
    UINT_PTR lastId_ = 0;
    std::map<UINT_PTR, TClock*> clocks_;
    std::map<UINT_PTR, TTarget*> targets_;
    std::unique_ptr<TAck> ackClock_;
};

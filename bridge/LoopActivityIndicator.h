#pragma once
// The activity lamp on the plain C++ event loop (tools and tests), standing in
// for the window's Shape5 and Timer2: a lit flag and a one-shot 100 ms loop
// timer whose expiry runs the bridge's Timer2Timer.

#include <chrono>
#include <functional>

#include "ActivityIndicator.h"
#include "EventLoop.h"

class TLoopActivityIndicator final : public TActivityIndicator {
public:
    // The loop must outlive the indicator.
    explicit TLoopActivityIndicator(TEventLoop& loop,
                                    std::chrono::milliseconds interval = std::chrono::milliseconds(100));

    // Runs on the loop's thread when the clock runs out: the bridge's
    // Timer2Timer. Without one, the lamp stops its clock and goes dark itself.
    void SetOnTimer(std::function<void()> onTimer) { onTimer_ = std::move(onTimer); }

    bool Lit() const { return lit_; }
    bool ClockEnabled() const { return timer_.Enabled(); }

    void SetLit(bool lit) override { lit_ = lit; }
    void RestartClock() override;
    void StopClock() override { timer_.SetEnabled(false); }

private:
    void Expired();

    TLoopTimer timer_;
    std::function<void()> onTimer_;
    bool lit_ = false;
};

#pragma once
// A single-shot QTimer as one of the live bridge's clocks; the owner connects
// the timer's timeout to the bridge's handler.

#include <QTimer>

#include "TimerClock.h"

class TQtTimerClock final : public TTimerClock {
public:
    // timer must outlive the clock.
    explicit TQtTimerClock(QTimer& timer) : timer_(timer) { timer_.setSingleShot(true); }

    void Start(std::chrono::milliseconds interval) override { timer_.start(interval); }
    void Stop() override { timer_.stop(); }
    bool Enabled() const override { return timer_.isActive(); }

private:
    QTimer& timer_;
};

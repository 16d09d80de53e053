#pragma once
// Timer1 as the acknowledgement clock: a QTimer (1000 ms in the window) that
// disables itself when it fires, so it runs out once per Start.

#include <QTimer>

#include "AckClock.h"

class TQtAckClock final : public TAckClock {
public:
    // timer must outlive the clock; its interval is the acknowledgement wait.
    explicit TQtAckClock(QTimer& timer);
    ~TQtAckClock() override;
    TQtAckClock(const TQtAckClock&) = delete;
    TQtAckClock& operator=(const TQtAckClock&) = delete;

    void Start() override;
    void Stop() override { timer_.stop(); }
    bool Enabled() const override { return timer_.isActive(); }

private:
    QTimer& timer_;
    QMetaObject::Connection expiry_;
};

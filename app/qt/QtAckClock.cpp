#include "QtAckClock.h"

TQtAckClock::TQtAckClock(QTimer& timer) : timer_(timer)
{
    timer_.setSingleShot(false);
    expiry_ = QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { timer_.stop(); });
}

TQtAckClock::~TQtAckClock()
{
    QObject::disconnect(expiry_);
}

void TQtAckClock::Start()
{
    // QTimer::start restarts a running timer; the clock must not.
    if (!timer_.isActive())
        timer_.start();
}

#include "QtMessageLoop.h"

#include "QtNotificationTarget.h"

namespace {

// A single-shot QTimer of the owner's, gone with the clock.
class TQtTimerClock final : public TTimerClock {
public:
    TQtTimerClock(QObject& owner, std::string_view name, std::function<void()> onRunOut,
                  TQtMessageLoop::TErrorSink onError)
        : timer_(new QTimer(&owner))
    {
        timer_->setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        timer_->setSingleShot(true);
        QObject::connect(timer_, &QTimer::timeout, timer_, [run = std::move(onRunOut), sink = std::move(onError)] {
            try {
                run();
            } catch (...) {
                if (sink)
                    sink(std::current_exception());
            }
        });
    }
    ~TQtTimerClock() override { delete timer_; }
    TQtTimerClock(const TQtTimerClock&) = delete;
    TQtTimerClock& operator=(const TQtTimerClock&) = delete;

    void Start(std::chrono::milliseconds interval) override { timer_->start(interval); }
    void Stop() override { timer_->stop(); }
    bool Enabled() const override { return timer_->isActive(); }

private:
    QTimer* timer_;
};

}  // namespace

TQtMessageLoop::TQtMessageLoop(QObject& owner, TErrorSink onError) : owner_(owner), onError_(std::move(onError))
{
    auto* timer1 = new QTimer(&owner);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(1000);
    ackClock_ = std::make_unique<TQtAckClock>(*timer1);
}

std::unique_ptr<TTimerClock> TQtMessageLoop::NewClock(std::string_view name, std::function<void()> onRunOut)
{
    return std::make_unique<TQtTimerClock>(owner_, name, std::move(onRunOut), onError_);
}

std::unique_ptr<TNotificationTarget> TQtMessageLoop::NewNotificationTarget()
{
    return std::make_unique<TQtNotificationTarget>(onError_);
}

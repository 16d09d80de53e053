#include "WokenLoop.h"

#include <thread>

#include "WaitUntil.h"

namespace {

// Starts the step when the loop asks it for work, which the loop does after
// asking the sources registered before it.
class TStartWhenIdle final : public TEventSource {
public:
    explicit TStartWhenIdle(std::function<void()> step) : step_(std::move(step)) {}
    ~TStartWhenIdle() override
    {
        if (thread_.joinable())
            thread_.join();
    }
    TStartWhenIdle(const TStartWhenIdle&) = delete;
    TStartWhenIdle& operator=(const TStartWhenIdle&) = delete;

    bool HasPending() const override
    {
        if (!thread_.joinable())
            thread_ = std::thread(step_);
        return false;
    }
    void Dispatch() override {}

private:
    std::function<void()> step_;
    mutable std::thread thread_;
};

} // namespace

bool RunOnceWokenBy(TEventLoop& loop, std::function<void()> step)
{
    bool guardFired = false;
    TLoopTimer guard(loop, FailureBound, [&] { guardFired = true; });
    guard.SetEnabled(true);
    {
        TStartWhenIdle starter(std::move(step));
        loop.AddSource(starter);
        loop.RunOnce(2 * FailureBound);
        loop.RemoveSource(starter);
    }
    return !guardFired;
}

#include "LoopUntil.h"

#include "WaitUntil.h"

bool RunLoopUntil(TEventLoop& loop, const std::function<bool()>& done)
{
    const auto deadline = TEventLoop::Clock::now() + FailureBound;
    while (!done()) {
        if (TEventLoop::Clock::now() >= deadline)
            return false;
        loop.RunOnce(std::chrono::milliseconds(2));
    }
    return true;
}

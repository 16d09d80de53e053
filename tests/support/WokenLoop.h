#pragma once
// Proving that another thread ends a wait of the plain event loop, without
// timing it: the other thread's step starts only once the loop has found
// nothing to do, so the loop is bound to wait, and nothing but a wake-up or
// a guard timer FailureBound away can end that wait.

#include <functional>

#include "EventLoop.h"

// One RunOnce of loop while step runs on a thread of its own; true when the
// wait ended before the guard timer.
bool RunOnceWokenBy(TEventLoop& loop, std::function<void()> step);

#pragma once
// Running a test's plain event loop, as the window's thread runs its own,
// until something has happened; FailureBound only turns a hang into a failure.

#include <functional>

#include "EventLoop.h"

// Passes of loop until done() holds (true) or FailureBound has passed
// (false). Short waits: progress of a simulator or a JACK thread does not
// wake the loop.
bool RunLoopUntil(TEventLoop& loop, const std::function<bool()>& done);

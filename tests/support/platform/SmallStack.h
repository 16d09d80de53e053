#pragma once
// A piece of a test run on a thread with a small stack, to show that it
// needs little.

#include <cstddef>
#include <functional>

// Runs job on a new thread of stackBytes and waits for it. Throws
// std::system_error when the thread cannot be made.
void RunOnSmallStack(std::size_t stackBytes, const std::function<void()>& job);

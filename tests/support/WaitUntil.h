#pragma once
// Waiting for something another thread or the system does (a simulator
// thread, a kernel worker, a JACK cycle). The bound only turns a broken test
// into a failure instead of a hang; no test asserts how fast anything is.

#include <chrono>
#include <functional>

inline constexpr std::chrono::milliseconds FailureBound{60'000};

// Polls done() until it holds (true) or FailureBound has passed (false).
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = FailureBound);

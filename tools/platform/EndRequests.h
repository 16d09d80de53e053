#pragma once
// The user's ways of ending a program that runs without a window: SIGINT
// (Ctrl+C) and SIGTERM on POSIX systems; Ctrl+C, Ctrl+Break and closing the
// console window on Windows. The program then ends as it would by itself.

#include <functional>

class TEndRequests {
public:
    // From now on an end request calls onEnd, once, on a thread that is not
    // the program's own (it may only set a flag and wake the program up).
    // On POSIX systems the signals are blocked in the calling thread, and so
    // in every thread started after: make it before any other thread.
    explicit TEndRequests(std::function<void()> onEnd);
    // The requests end the program as before (at once).
    ~TEndRequests();
    TEndRequests(const TEndRequests&) = delete;
    TEndRequests& operator=(const TEndRequests&) = delete;
};

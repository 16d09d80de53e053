#include "EndRequests.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

namespace {

std::thread waiter;
std::atomic<bool> leaving{false};
sigset_t endSignals;

}  // namespace

TEndRequests::TEndRequests(std::function<void()> onEnd)
{
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    // Taken synchronously on a thread of their own: onEnd runs as ordinary
    // code, not in a signal handler.
    waiter = std::thread([onEnd = std::move(onEnd)] {
        int signal = 0;
        if (sigwait(&endSignals, &signal) == 0 && !leaving.load())
            onEnd();
    });
}

TEndRequests::~TEndRequests()
{
    leaving.store(true);
    pthread_kill(waiter.native_handle(), SIGTERM);  // ends the wait if no request came
    waiter.join();
    pthread_sigmask(SIG_UNBLOCK, &endSignals, nullptr);
}

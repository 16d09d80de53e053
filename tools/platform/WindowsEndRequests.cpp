#include "EndRequests.h"

#include <windows.h>

#include <atomic>

namespace {

std::function<void()> endHandler;
std::atomic<bool> requested{false};
// Set once the program has closed its devices: Windows ends the process
// when the handler of a closing console returns.
HANDLE finished = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (!requested.exchange(true))
        endHandler();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(finished, 5000);  // Windows allows about five seconds
    return TRUE;
}

}  // namespace

TEndRequests::TEndRequests(std::function<void()> onEnd)
{
    endHandler = std::move(onEnd);
    finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TEndRequests::~TEndRequests()
{
    SetEvent(finished);
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

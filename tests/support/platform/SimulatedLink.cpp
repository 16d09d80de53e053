#include "SimulatedLink.h"

#include <thread>

#include <sys/ioctl.h>

TSimulatedLink::TSimulatedLink(const TSimOptions& options, std::chrono::milliseconds ackInterval)
    : Sim(options), Clock(Loop, ackInterval), Link(Ports, Clock, Loop)
{
    Sim.Start();
}

int QueuedInput(const TComHandle& handle)
{
    const auto* device = dynamic_cast<const TPosixSerialDevice*>(handle.get());
    int queued = -1;
    if (device == nullptr || ioctl(device->NativeHandle(), FIONREAD, &queued) != 0)
        return -1;
    return queued;
}

bool WaitForQueuedInput(const TComHandle& handle, int count, std::chrono::milliseconds timeout)
{
    // The pseudo-terminal hands bytes over on a kernel worker, a moment
    // after they were written.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (QueuedInput(handle) < count) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

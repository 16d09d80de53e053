#include "SimulatedLink.h"

#include "WaitUntil.h"

TSimulatedLink::TSimulatedLink(const TSimOptions& options) : Sim(options), Link(Ports, Clock, Pump)
{
    Sim.Start();
}

void TSimulatedLink::RunOutClock(int wait, int pass)
{
    Pump.onPass = [this, wait, pass, start = Clock.starts, passesInWait = 0]() mutable {
        if (Clock.starts - start == wait && ++passesInWait == pass)
            Clock.RunOut();
    };
}

std::vector<std::uint8_t> AllReceived(TDeviceProtocol& sim, TComHandle& handle, std::size_t count)
{
    if (!handle || !handle->WriteByte(ProbeMarker) || !sim.WaitForReceived(count + 1, FailureBound))
        return sim.Received();
    std::vector<std::uint8_t> bytes = sim.Received();
    if (bytes.size() == count + 1 && bytes.back() == ProbeMarker)
        bytes.pop_back();
    return bytes;
}

bool WaitForQueuedInput(const TComHandle& handle, int count)
{
    return WaitUntil([&] { return QueuedInput(handle) >= count; });
}

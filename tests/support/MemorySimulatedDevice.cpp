// The simulated device on a line in memory (Windows).

#include "SimulatedDevice.h"

int QueuedInput(const TComHandle& handle)
{
    return TMemorySerialPorts::QueuedInput(handle);
}

bool PointPortName(const std::string& name, const TSimulatedDevice& device)
{
    TMemorySerialPorts::PointName(name, device.SlavePath());
    return true;
}

bool UnplugPortName(const std::string& name)
{
    TMemorySerialPorts::PointName(name, {});
    return true;
}

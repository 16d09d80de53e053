#include "SimulatedDevice.h"

#include <sys/ioctl.h>

#include <filesystem>
#include <system_error>

int QueuedInput(const TComHandle& handle)
{
    const auto* device = dynamic_cast<const TPosixSerialDevice*>(handle.get());
    int queued = -1;
    if (device == nullptr || ioctl(device->NativeHandle(), FIONREAD, &queued) != 0)
        return -1;
    return queued;
}

bool PointPortName(const std::string& name, const TSimulatedDevice& device)
{
    std::error_code error;
    std::filesystem::remove(name, error);
    std::filesystem::create_symlink(device.SlavePath(), name, error);
    return !error;
}

bool UnplugPortName(const std::string& name)
{
    std::error_code error;
    std::filesystem::remove(name, error);
    return !error;
}

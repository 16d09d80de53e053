// The serial ports of a Linux system, from sysfs: every tty backed by a
// device, except the placeholders the 8250 driver registers for ports that
// are not fitted. Other POSIX systems report none.

#include "SystemSerialPorts.h"

#include <filesystem>
#include <system_error>

#include "SerialPortNames.h"

#if defined(__linux__)
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

#if defined(__linux__)
// The 8250 driver creates ttyS0..ttyS31 whether or not a UART is there; only
// a port whose type is known is real. One that cannot be opened (no
// permission) is of no use to this user either.
bool Is8250PortFitted(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool fitted = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return fitted;
}
#endif

}  // namespace

std::vector<std::string> SystemSerialPortPaths()
{
    std::vector<std::string> paths;
#if defined(__linux__)
    namespace fs = std::filesystem;
    std::error_code error;
    for (const fs::directory_entry& tty : fs::directory_iterator("/sys/class/tty", error)) {
        std::error_code ignored;
        const fs::path device = tty.path() / "device";
        if (!fs::exists(device, ignored))
            continue;  // virtual terminals, pseudo-terminals
        const std::string path = "/dev/" + tty.path().filename().string();
        const std::string driver = fs::read_symlink(device / "driver", ignored).filename().string();
        if (driver == "serial8250" && !Is8250PortFitted(path))
            continue;
        paths.push_back(path);
    }
#endif
    SortPortNames(paths);
    return paths;
}

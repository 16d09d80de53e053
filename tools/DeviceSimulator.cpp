#include "DeviceSimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

void CloseIfOpen(int& fd)
{
    if (fd >= 0)
        (void)close(fd);
    fd = -1;
}

std::string SlaveName(int master)
{
#ifdef __linux__
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) != 0)
        ThrowErrno("ptsname_r");
    return name;
#else
    const char* name = ptsname(master);
    if (name == nullptr)
        ThrowErrno("ptsname");
    return name;
#endif
}

} // namespace

TDeviceSimulator::TDeviceSimulator(const TSimOptions& options) : TDeviceProtocol(options)
{
    try {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0)
            ThrowErrno("posix_openpt");
        if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0 || fcntl(master_, F_SETFL, O_NONBLOCK) != 0)
            ThrowErrno("fcntl");
        if (grantpt(master_) != 0 || unlockpt(master_) != 0)
            ThrowErrno("unlockpt");
        slavePath_ = SlaveName(master_);

        slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0)
            ThrowErrno("open slave");
        // Raw from the start, so a program that does not set the line up
        // itself still sees the bytes unchanged and no echo.
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0)
            ThrowErrno("tcgetattr");
        cfmakeraw(&tio);
        if (tcsetattr(slave_, TCSANOW, &tio) != 0)
            ThrowErrno("tcsetattr");

        int wake[2];
        if (pipe(wake) != 0)
            ThrowErrno("pipe");
        wakeRead_ = wake[0];
        wakeWrite_ = wake[1];
        for (const int fd : wake)
            if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0)
                ThrowErrno("fcntl");
    } catch (...) {
        CloseIfOpen(wakeRead_);
        CloseIfOpen(wakeWrite_);
        CloseIfOpen(slave_);
        CloseIfOpen(master_);
        throw;
    }
}

TDeviceSimulator::~TDeviceSimulator()
{
    Stop();
    CloseIfOpen(wakeRead_);
    CloseIfOpen(wakeWrite_);
    CloseIfOpen(slave_);
    CloseIfOpen(master_);
}

void TDeviceSimulator::HangUp()
{
    Stop();
    CloseIfOpen(slave_);
    CloseIfOpen(master_);
}

bool TDeviceSimulator::Send(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t TDeviceSimulator::Receive(std::span<std::uint8_t> buffer, std::optional<Clock::time_point> deadline)
{
    int timeout = -1;
    if (deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
        timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int ready = poll(fds, 2, timeout);
    if (ready <= 0 || fds[1].revents != 0)
        return 0;  // timed out, interrupted, or woken by Wake()

    // With no slave side open (cannot happen while we hold one) the master
    // polls ready at once and reads fail: wait for Wake() rather than spin.
    bool hungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    ssize_t n = 0;
    if ((fds[0].revents & POLLIN) != 0) {
        n = read(master_, buffer.data(), buffer.size());
        hungUp = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
    }
    if (hungUp) {
        pollfd wake{wakeRead_, POLLIN, 0};
        (void)poll(&wake, 1, 100);
    }
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool TDeviceSimulator::Pause(std::chrono::milliseconds delay)
{
    // Sleeps on the wake pipe, so that Stop() cuts the delay short.
    pollfd wake{wakeRead_, POLLIN, 0};
    return poll(&wake, 1, static_cast<int>(delay.count())) == 0;
}

void TDeviceSimulator::Answer(std::uint8_t byte)
{
    // A host that does not read lets the queue fill up; then the answer is
    // lost, as it would be on a line nobody listens to.
    (void)!write(master_, &byte, 1);
}

void TDeviceSimulator::Wake()
{
    const char wake = 1;
    (void)!write(wakeWrite_, &wake, 1);
}

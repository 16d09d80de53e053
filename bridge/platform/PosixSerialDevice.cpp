#include "PosixSerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <iterator>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t ReturnAtOnce = 0xFFFFFFFFu;

struct TSpeed {
    speed_t Code;
    std::uint32_t Baud;
};

constexpr TSpeed Speeds[] = {
    {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},
    {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200},
#ifdef B230400
    {B230400, 230400},
#endif
#ifdef B460800
    {B460800, 460800},
#endif
#ifdef B921600
    {B921600, 921600},
#endif
};

bool SpeedCode(std::uint32_t baud, speed_t& code)
{
    const auto it = std::find_if(std::begin(Speeds), std::end(Speeds),
                                 [baud](const TSpeed& s) { return s.Baud == baud; });
    if (it == std::end(Speeds))
        return false;
    code = it->Code;
    return true;
}

std::uint32_t BaudOf(speed_t code)
{
    const auto it = std::find_if(std::begin(Speeds), std::end(Speeds),
                                 [code](const TSpeed& s) { return s.Code == code; });
    return it == std::end(Speeds) ? 0 : it->Baud;
}

// Modem control lines are absent on some ttys (a pseudo-terminal answers
// ENOTTY, some adapters EINVAL); that is not an error of the line set-up.
bool NoModemControl(int error)
{
    return error == ENOTTY || error == EINVAL;
}

// Milliseconds left until deadline, for poll(); -1 when there is none.
int Remaining(std::chrono::steady_clock::time_point deadline, bool bounded)
{
    if (!bounded)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

int BoundMs(std::uint64_t total)
{
    return total == 0 ? -1 : static_cast<int>(std::min<std::uint64_t>(total, INT_MAX));
}

} // namespace

TPosixSerialDevice::TPosixSerialDevice(int fd, std::string path) noexcept : fd_(fd), path_(std::move(path))
{
}

TPosixSerialDevice::~TPosixSerialDevice()
{
    if (fd_ >= 0)
        (void)Close();
}

bool TPosixSerialDevice::GetLineSettings(TLineSettings& settings)
{
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0)
        return false;

    settings.BaudRate = TBaudRate{BaudOf(cfgetospeed(&tio))};
    switch (tio.c_cflag & CSIZE) {
    case CS5: settings.DataBits = TDataBits::Five; break;
    case CS6: settings.DataBits = TDataBits::Six; break;
    case CS7: settings.DataBits = TDataBits::Seven; break;
    default: settings.DataBits = TDataBits::Eight; break;
    }
    settings.Parity = (tio.c_cflag & PARENB) == 0 ? TParity::None
                      : (tio.c_cflag & PARODD) != 0 ? TParity::Odd
                                                     : TParity::Even;
    settings.StopBits = (tio.c_cflag & CSTOPB) != 0 ? TStopBits::Two : TStopBits::One;
    return true;
}

bool TPosixSerialDevice::SetLineSettings(const TLineSettings& settings)
{
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0)
        return false;

    // Bytes pass untouched both ways: no echo, no line editing, no
    // translation, no signals.
    cfmakeraw(&tio);

    speed_t speed{};
    if (!SpeedCode(static_cast<std::uint32_t>(settings.BaudRate), speed) || cfsetispeed(&tio, speed) != 0 ||
        cfsetospeed(&tio, speed) != 0)
        return false;

    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (settings.DataBits) {
    case TDataBits::Five: tio.c_cflag |= CS5; break;
    case TDataBits::Six: tio.c_cflag |= CS6; break;
    case TDataBits::Seven: tio.c_cflag |= CS7; break;
    case TDataBits::Eight: tio.c_cflag |= CS8; break;
    default: return false;
    }

    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    switch (settings.Parity) {
    case TParity::None: break;
    case TParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: tio.c_cflag |= PARENB; break;
    default: return false;  // mark and space parity have no termios form
    }

    switch (settings.StopBits) {
    case TStopBits::One: tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); break;
    case TStopBits::Two: tio.c_cflag |= CSTOPB; break;
    default: return false;  // one and a half
    }

    // Ignore the modem status lines (no carrier detect wait, no hang-up on
    // DCD), enable the receiver, and no flow control of any kind nor parity
    // check, whatever the previous user of the line left (cfmakeraw leaves
    // these alone).
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    if (tcsetattr(fd_, TCSANOW, &tio) != 0)
        return false;

    // DTR and RTS held off.
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0)
        return NoModemControl(errno);
    const int before = lines;
    lines &= ~(TIOCM_DTR | TIOCM_RTS);
    return lines == before || ioctl(fd_, TIOCMSET, &lines) == 0 || NoModemControl(errno);
}

bool TPosixSerialDevice::SetTimeouts(const TCommTimeouts& timeouts)
{
    if (fd_ < 0)
        return false;
    const std::uint64_t readTotal =
        std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} + timeouts.ReadTotalTimeoutConstant;
    const std::uint64_t writeTotal =
        std::uint64_t{timeouts.WriteTotalTimeoutMultiplier} + timeouts.WriteTotalTimeoutConstant;
    readTimeoutMs_ = (readTotal == 0 && timeouts.ReadIntervalTimeout == ReturnAtOnce) ? 0 : BoundMs(readTotal);
    writeTimeoutMs_ = BoundMs(writeTotal);
    return true;
}

bool TPosixSerialDevice::Purge()
{
    return fd_ >= 0 && tcflush(fd_, TCIOFLUSH) == 0;
}

bool TPosixSerialDevice::WriteByte(std::uint8_t byte)
{
    if (fd_ < 0)
        return false;
    const bool bounded = writeTimeoutMs_ >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(writeTimeoutMs_, 0));
    for (;;) {
        const ssize_t written = write(fd_, &byte, 1);
        if (written == 1)
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;

        // The output queue is full: wait for room until the time-out.
        pollfd pfd{fd_, POLLOUT, 0};
        const int ready = poll(&pfd, 1, Remaining(deadline, bounded));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready == 0)
            return true;
        if (ready > 0 && (pfd.revents & POLLOUT) == 0)
            return false;
    }
}

TReadResult TPosixSerialDevice::ReadByte(std::uint8_t& byte)
{
    if (fd_ < 0)
        return TReadResult::Failed;
    const bool bounded = readTimeoutMs_ >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(readTimeoutMs_, 0));
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = poll(&pfd, 1, Remaining(deadline, bounded));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return TReadResult::Failed;
        }
        if (ready == 0)
            return TReadResult::TimedOut;
        // Data that arrived before a hang-up is still delivered; the hang-up
        // shows on the next read.
        if ((pfd.revents & POLLIN) == 0)
            return TReadResult::Failed;

        const ssize_t got = read(fd_, &byte, 1);
        if (got == 1)
            return TReadResult::Byte;
        if (got == 0)
            return TReadResult::Failed;  // end of file: the line is gone
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return TReadResult::Failed;
    }
}

bool TPosixSerialDevice::StillThere()
{
    if (fd_ < 0)
        return false;
    pollfd pfd{fd_, POLLIN, 0};
    if (poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return false;
    if (path_.empty())
        return true;
    struct stat named {};
    struct stat held {};
    if (stat(path_.c_str(), &named) != 0)
        return errno != ENOENT && errno != ENOTDIR;
    return fstat(fd_, &held) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino &&
           named.st_rdev == held.st_rdev;
}

bool TPosixSerialDevice::Close()
{
    if (fd_ < 0)
        return false;
    // The exclusive flag outlives the descriptor on a pseudo-terminal whose
    // master stays open; clear it so the port can be opened again.
    (void)ioctl(fd_, TIOCNXCL);
    const int result = close(fd_);
    fd_ = -1;
    // Linux releases the descriptor even when close() is interrupted.
    return result == 0 || errno == EINTR;
}

TComHandle TPosixSerialPorts::Open(const std::string& name)
{
    const std::string path = DevicePath(name);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastProblem_ = ProblemOfOpenError(errno);
        return {};
    }
    // The lock comes first: it holds for root as well, and only the holder of
    // the port may set the exclusive flag (else we would set it on another
    // program's port and leave it there).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastProblem_ = errno == EWOULDBLOCK ? TOpenProblem::InUse : TOpenProblem::Other;
        (void)close(fd);
        return {};
    }
    lastProblem_ = TOpenProblem::None;
    // Keeps out later opens by non-root programs that do not lock. A file
    // that is no tty fails here quietly; reading its line settings fails.
    (void)ioctl(fd, TIOCEXCL);
    return std::make_unique<TPosixSerialDevice>(fd, path);
}

TOpenProblem TPosixSerialPorts::ProblemOfOpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return TOpenProblem::NotFound;
    case EBUSY:
        return TOpenProblem::InUse;  // TIOCEXCL set by another program
    case EACCES:
    case EPERM:
        return TOpenProblem::PermissionDenied;
    default:
        return TOpenProblem::Other;
    }
}

std::string TPosixSerialPorts::DevicePath(const std::string& name)
{
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (name.size() == 4 && upper(name[0]) == 'C' && upper(name[1]) == 'O' && upper(name[2]) == 'M' &&
        name[3] >= '1' && name[3] <= '9')
        return "/dev/ttyS" + std::string(1, static_cast<char>('0' + (name[3] - '1')));
    return name;
}

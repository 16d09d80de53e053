#include "DeviceSimulator.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t StartByte = 0x1A;

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

TDeviceSimulator::TDeviceSimulator(const TSimOptions& options)
    : keepHistory_(options.KeepHistory), frameGap_(options.FrameGap), behaviour_(options.Behaviour)
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

void TDeviceSimulator::Start(TChangeHandler onChange)
{
    if (thread_.joinable() || StopRequested())
        throw std::logic_error("TDeviceSimulator::Start: runs once");
    onChange_ = std::move(onChange);
    thread_ = std::thread([this] { Run(); });
}

void TDeviceSimulator::Stop()
{
    stopping_.store(true, std::memory_order_release);
    if (thread_.joinable()) {
        const char wake = 1;
        (void)!write(wakeWrite_, &wake, 1);
        thread_.join();
    }
}

void TDeviceSimulator::HangUp()
{
    Stop();
    CloseIfOpen(slave_);
    CloseIfOpen(master_);
}

void TDeviceSimulator::SetBehaviour(const TSimBehaviour& behaviour)
{
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
}

TSimBehaviour TDeviceSimulator::Behaviour() const
{
    std::lock_guard lock(mutex_);
    return behaviour_;
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

std::vector<TOutputChange> TDeviceSimulator::Changes() const
{
    std::lock_guard lock(mutex_);
    return changes_;
}

std::vector<std::uint8_t> TDeviceSimulator::Received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

bool TDeviceSimulator::WaitForChanges(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return progress_.wait_for(lock, timeout, [&] { return changeCount_ >= count; });
}

bool TDeviceSimulator::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return progress_.wait_for(lock, timeout, [&] { return receivedCount_ >= count; });
}

std::uint8_t TDeviceSimulator::Level(std::uint8_t output) const
{
    std::lock_guard lock(mutex_);
    return levels_[output];
}

std::array<std::uint8_t, 256> TDeviceSimulator::Levels() const
{
    std::lock_guard lock(mutex_);
    return levels_;
}

std::uint64_t TDeviceSimulator::ChangeCount() const
{
    std::lock_guard lock(mutex_);
    return changeCount_;
}

std::uint64_t TDeviceSimulator::Violations() const
{
    std::lock_guard lock(mutex_);
    return violations_;
}

std::uint64_t TDeviceSimulator::AbandonedFrames() const
{
    std::lock_guard lock(mutex_);
    return abandoned_;
}

void TDeviceSimulator::ClearHistory()
{
    std::lock_guard lock(mutex_);
    changes_.clear();
    received_.clear();
    changeCount_ = 0;
    receivedCount_ = 0;
    violations_ = 0;
    abandoned_ = 0;
}

void TDeviceSimulator::Run()
{
    using Clock = std::chrono::steady_clock;
    std::uint8_t buffer[256];
    while (!StopRequested()) {
        int timeout = -1;
        if (state_ != TState::Idle) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(lastActivity_ + frameGap_ - Clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;  // nothing sensible is left to do; the owner's Stop() still joins
        }
        if (fds[1].revents != 0)
            continue;  // only Stop() writes there

        // With no slave side open (cannot happen while we hold one) the
        // master polls ready at once and reads fail: wait for Stop() rather
        // than spin.
        bool hungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n && !StopRequested(); ++i)
                Take(buffer[i]);
            hungUp = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
        }
        if (hungUp) {
            pollfd wake{wakeRead_, POLLIN, 0};
            (void)poll(&wake, 1, 100);
        }

        if (state_ != TState::Idle && Clock::now() >= lastActivity_ + frameGap_) {
            state_ = TState::Idle;
            std::lock_guard lock(mutex_);
            ++abandoned_;
        }
    }
}

void TDeviceSimulator::Take(std::uint8_t byte)
{
    {
        std::lock_guard lock(mutex_);
        if (keepHistory_)
            received_.push_back(byte);
        ++receivedCount_;
    }
    progress_.notify_all();
    lastActivity_ = std::chrono::steady_clock::now();

    switch (state_) {
    case TState::Idle:
        if (byte == StartByte) {
            ++handshakes_;
            state_ = TState::WaitOutput;
            Answer(false);
        } else {
            std::lock_guard lock(mutex_);
            ++violations_;
        }
        break;
    case TState::WaitOutput:
        output_ = byte;
        state_ = TState::WaitLevel;
        break;
    case TState::WaitLevel:
        state_ = TState::Idle;
        Accept({output_, byte});
        Answer(true);
        break;
    }
}

void TDeviceSimulator::Answer(bool forLevel)
{
    const TSimBehaviour behaviour = Behaviour();
    if (behaviour.Silent || (forLevel && !behaviour.AckLevel))
        return;
    if (forLevel && behaviour.DropLevelAck != 0 && handshakes_ == behaviour.DropLevelAck)
        return;
    if (behaviour.Delay.count() > 0) {
        // Sleeps on the wake pipe, so that Stop() cuts the delay short.
        pollfd wake{wakeRead_, POLLIN, 0};
        if (poll(&wake, 1, static_cast<int>(behaviour.Delay.count())) != 0)
            return;
    }
    // A host that does not read lets the queue fill up; then the answer is
    // lost, as it would be on a line nobody listens to.
    (void)!write(master_, &behaviour.AnswerByte, 1);
    lastActivity_ = std::chrono::steady_clock::now();
}

void TDeviceSimulator::Accept(TOutputChange change)
{
    {
        std::lock_guard lock(mutex_);
        levels_[change.Output] = change.Level;
        if (keepHistory_)
            changes_.push_back(change);
        ++changeCount_;
    }
    progress_.notify_all();
    if (onChange_)
        onChange_(change);
}

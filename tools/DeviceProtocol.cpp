#include "DeviceProtocol.h"

#include <stdexcept>

namespace {

constexpr std::uint8_t StartByte = 0x1A;

}  // namespace

TDeviceProtocol::TDeviceProtocol(const TSimOptions& options)
    : keepHistory_(options.KeepHistory), frameGap_(options.FrameGap), behaviour_(options.Behaviour)
{
}

TDeviceProtocol::~TDeviceProtocol()
{
    StopServing();
}

void TDeviceProtocol::StartServing(TDeviceWire& wire, TChangeHandler onChange)
{
    if (thread_.joinable() || StopRequested())
        throw std::logic_error("the simulated device runs once");
    wire_ = &wire;
    onChange_ = std::move(onChange);
    thread_ = std::thread([this] { Run(); });
}

void TDeviceProtocol::StopServing()
{
    stopping_.store(true, std::memory_order_release);
    if (thread_.joinable()) {
        wire_->Wake();
        thread_.join();
    }
}

void TDeviceProtocol::SetBehaviour(const TSimBehaviour& behaviour)
{
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
}

TSimBehaviour TDeviceProtocol::Behaviour() const
{
    std::lock_guard lock(mutex_);
    return behaviour_;
}

std::vector<TOutputChange> TDeviceProtocol::Changes() const
{
    std::lock_guard lock(mutex_);
    return changes_;
}

std::vector<std::uint8_t> TDeviceProtocol::Received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

bool TDeviceProtocol::WaitForChanges(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return progress_.wait_for(lock, timeout, [&] { return changeCount_ >= count; });
}

bool TDeviceProtocol::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return progress_.wait_for(lock, timeout, [&] { return receivedCount_ >= count; });
}

std::uint8_t TDeviceProtocol::Level(std::uint8_t output) const
{
    std::lock_guard lock(mutex_);
    return levels_[output];
}

std::array<std::uint8_t, 256> TDeviceProtocol::Levels() const
{
    std::lock_guard lock(mutex_);
    return levels_;
}

std::uint64_t TDeviceProtocol::ChangeCount() const
{
    std::lock_guard lock(mutex_);
    return changeCount_;
}

std::uint64_t TDeviceProtocol::Violations() const
{
    std::lock_guard lock(mutex_);
    return violations_;
}

std::uint64_t TDeviceProtocol::AbandonedFrames() const
{
    std::lock_guard lock(mutex_);
    return abandoned_;
}

void TDeviceProtocol::ClearHistory()
{
    std::lock_guard lock(mutex_);
    changes_.clear();
    received_.clear();
    changeCount_ = 0;
    receivedCount_ = 0;
    violations_ = 0;
    abandoned_ = 0;
}

void TDeviceProtocol::Run()
{
    std::uint8_t buffer[256];
    while (!StopRequested()) {
        std::optional<TDeviceWire::Clock::time_point> deadline;
        if (state_ != TState::Idle)
            deadline = lastActivity_ + frameGap_;
        const std::size_t n = wire_->Receive(buffer, deadline);
        for (std::size_t i = 0; i < n && !StopRequested(); ++i)
            Take(buffer[i]);

        if (state_ != TState::Idle && TDeviceWire::Clock::now() >= lastActivity_ + frameGap_) {
            state_ = TState::Idle;
            std::lock_guard lock(mutex_);
            ++abandoned_;
        }
    }
}

void TDeviceProtocol::Take(std::uint8_t byte)
{
    {
        std::lock_guard lock(mutex_);
        if (keepHistory_)
            received_.push_back(byte);
        ++receivedCount_;
    }
    progress_.notify_all();
    lastActivity_ = TDeviceWire::Clock::now();

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

void TDeviceProtocol::Answer(bool forLevel)
{
    const TSimBehaviour behaviour = Behaviour();
    if (behaviour.Silent || (forLevel && !behaviour.AckLevel))
        return;
    if (forLevel && behaviour.DropLevelAck != 0 && handshakes_ == behaviour.DropLevelAck)
        return;
    // Stopping cuts the delay short, and the answer is not given.
    if (behaviour.Delay.count() > 0 && !wire_->Pause(behaviour.Delay))
        return;
    wire_->Answer(behaviour.AnswerByte);
    lastActivity_ = TDeviceWire::Clock::now();
}

void TDeviceProtocol::Accept(TOutputChange change)
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

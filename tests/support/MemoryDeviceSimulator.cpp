#include "MemoryDeviceSimulator.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

struct TMemoryLine {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<std::uint8_t> ToDevice;
    std::deque<std::uint8_t> ToHost;
    bool HungUp = false;
    bool Held = false;   // a host has the port open
    bool Woken = false;  // the device's thread is to stop
};

namespace {

// The port names of the process, as the file system holds the paths of
// pseudo-terminals and the links to them.
struct TPortNames {
    std::mutex Mutex;
    std::map<std::string, std::weak_ptr<TMemoryLine>> Lines;
    std::map<std::string, std::string> Aliases;
    unsigned Next = 1;

    static TPortNames& Instance()
    {
        static TPortNames names;
        return names;
    }
};

class TMemorySerialDevice final : public TSerialDevice {
public:
    explicit TMemorySerialDevice(std::shared_ptr<TMemoryLine> line) : line_(std::move(line)) {}
    ~TMemorySerialDevice() override
    {
        if (line_)
            (void)Close();
    }
    TMemorySerialDevice(const TMemorySerialDevice&) = delete;
    TMemorySerialDevice& operator=(const TMemorySerialDevice&) = delete;

    bool GetLineSettings(TLineSettings& settings) override
    {
        settings = settings_;
        return Usable();
    }
    bool SetLineSettings(const TLineSettings& settings) override
    {
        settings_ = settings;
        return Usable();
    }
    bool SetTimeouts(const TCommTimeouts& timeouts) override
    {
        readTimeout_ = std::chrono::milliseconds(std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} +
                                                 timeouts.ReadTotalTimeoutConstant);
        return Usable();
    }
    bool Purge() override
    {
        return WithLine([&](TMemoryLine& line) { line.ToHost.clear(); });
    }
    bool WriteByte(std::uint8_t byte) override
    {
        return WithLine([&](TMemoryLine& line) {
            line.ToDevice.push_back(byte);
            line.Changed.notify_all();
        });
    }
    TReadResult ReadByte(std::uint8_t& byte) override
    {
        if (!line_)
            return TReadResult::Failed;
        std::unique_lock lock(line_->Mutex);
        const auto ready = [&] { return !line_->ToHost.empty() || line_->HungUp; };
        // A read time-out of 0 waits without bound, as the link never asks.
        if (readTimeout_.count() == 0)
            line_->Changed.wait(lock, ready);
        else if (!line_->Changed.wait_for(lock, readTimeout_, ready))
            return TReadResult::TimedOut;
        if (line_->ToHost.empty())
            return TReadResult::Failed;  // hung up, and nothing came before
        byte = line_->ToHost.front();
        line_->ToHost.pop_front();
        return TReadResult::Byte;
    }
    bool Close() override
    {
        if (!line_)
            return false;
        {
            std::lock_guard lock(line_->Mutex);
            line_->Held = false;
        }
        line_.reset();
        return true;
    }

    bool StillThere() override { return Usable(); }

    int QueuedInput() const
    {
        if (!line_)
            return -1;
        std::lock_guard lock(line_->Mutex);
        return static_cast<int>(line_->ToHost.size());
    }

private:
    // Runs step on the line when it is open and not hung up.
    template <class TStep>
    bool WithLine(TStep&& step)
    {
        if (!line_)
            return false;
        std::lock_guard lock(line_->Mutex);
        if (line_->HungUp)
            return false;
        step(*line_);
        return true;
    }
    bool Usable()
    {
        return WithLine([](TMemoryLine&) {});
    }

    std::shared_ptr<TMemoryLine> line_;
    TLineSettings settings_{.BaudRate = TBaudRate::Baud9600};
    std::chrono::milliseconds readTimeout_{0};
};

}  // namespace

TMemoryDeviceSimulator::TMemoryDeviceSimulator(const TSimOptions& options)
    : TDeviceProtocol(options), line_(std::make_shared<TMemoryLine>())
{
    TPortNames& names = TPortNames::Instance();
    std::lock_guard lock(names.Mutex);
    name_ = "SIM" + std::to_string(names.Next++);
    names.Lines[name_] = line_;
}

TMemoryDeviceSimulator::~TMemoryDeviceSimulator()
{
    HangUp();
}

void TMemoryDeviceSimulator::HangUp()
{
    Stop();
    {
        TPortNames& names = TPortNames::Instance();
        std::lock_guard lock(names.Mutex);
        names.Lines.erase(name_);
    }
    std::lock_guard lock(line_->Mutex);
    line_->HungUp = true;
    line_->Changed.notify_all();
}

bool TMemoryDeviceSimulator::Send(std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(line_->Mutex);
    if (line_->HungUp)
        return false;
    line_->ToHost.insert(line_->ToHost.end(), bytes.begin(), bytes.end());
    line_->Changed.notify_all();
    return true;
}

std::size_t TMemoryDeviceSimulator::Receive(std::span<std::uint8_t> buffer, std::optional<Clock::time_point> deadline)
{
    std::unique_lock lock(line_->Mutex);
    const auto ready = [&] { return !line_->ToDevice.empty() || line_->Woken; };
    if (deadline)
        line_->Changed.wait_until(lock, *deadline, ready);
    else
        line_->Changed.wait(lock, ready);
    std::size_t n = 0;
    while (n < buffer.size() && !line_->ToDevice.empty()) {
        buffer[n++] = line_->ToDevice.front();
        line_->ToDevice.pop_front();
    }
    return n;
}

bool TMemoryDeviceSimulator::Pause(std::chrono::milliseconds delay)
{
    std::unique_lock lock(line_->Mutex);
    return !line_->Changed.wait_for(lock, delay, [&] { return line_->Woken; });
}

void TMemoryDeviceSimulator::Answer(std::uint8_t byte)
{
    Send(std::span<const std::uint8_t>(&byte, 1));
}

void TMemoryDeviceSimulator::Wake()
{
    std::lock_guard lock(line_->Mutex);
    line_->Woken = true;
    line_->Changed.notify_all();
}

TComHandle TMemorySerialPorts::Open(const std::string& name)
{
    std::shared_ptr<TMemoryLine> line;
    {
        TPortNames& names = TPortNames::Instance();
        std::lock_guard lock(names.Mutex);
        const auto alias = names.Aliases.find(name);
        const auto found = names.Lines.find(alias == names.Aliases.end() ? name : alias->second);
        if (found != names.Lines.end())
            line = found->second.lock();
    }
    if (!line) {
        lastProblem_ = TOpenProblem::NotFound;
        return {};
    }
    {
        std::lock_guard lock(line->Mutex);
        if (line->Held) {
            lastProblem_ = TOpenProblem::InUse;
            return {};
        }
        line->Held = true;
    }
    lastProblem_ = TOpenProblem::None;
    return std::make_unique<TMemorySerialDevice>(std::move(line));
}

void TMemorySerialPorts::PointName(const std::string& alias, const std::string& target)
{
    TPortNames& names = TPortNames::Instance();
    std::lock_guard lock(names.Mutex);
    names.Aliases[alias] = target;
}

int TMemorySerialPorts::QueuedInput(const TComHandle& handle)
{
    const auto* device = dynamic_cast<const TMemorySerialDevice*>(handle.get());
    return device == nullptr ? -1 : device->QueuedInput();
}

#pragma once
// The simulated TOREM device on a serial line in memory, for the systems
// without pseudo-terminals (Windows): the same device protocol as
// torem-devsim, reached through TMemorySerialPorts by its port name. The
// line behaves as a pseudo-terminal does for the serial link: a port is held
// by one open handle at a time; a hang-up fails the host's reads and writes
// (bytes that came before it are still read) and takes the name away; purging
// drops what waits for the host.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "DeviceProtocol.h"
#include "SerialDevice.h"

struct TMemoryLine;

class TMemoryDeviceSimulator final : public TDeviceProtocol, private TDeviceWire {
public:
    // A new line under a port name of its own.
    explicit TMemoryDeviceSimulator(const TSimOptions& options = {});
    ~TMemoryDeviceSimulator() override;

    // The port name a program opens, as the pseudo-terminal's path is.
    const std::string& SlavePath() const { return name_; }

    void Start(TChangeHandler onChange = {}) { StartServing(*this, std::move(onChange)); }
    void Stop() { StopServing(); }
    // Stops, and the line is gone: the host's port fails, the name opens
    // nothing. The recorded changes and levels stay readable.
    void HangUp();

    // Bytes for the host, unasked (stale bytes for its receive queue).
    bool Send(std::span<const std::uint8_t> bytes);

private:
    std::size_t Receive(std::span<std::uint8_t> buffer, std::optional<Clock::time_point> deadline) override;
    bool Pause(std::chrono::milliseconds delay) override;
    void Answer(std::uint8_t byte) override;
    void Wake() override;

    std::shared_ptr<TMemoryLine> line_;
    std::string name_;
};

class TMemorySerialPorts final : public TSerialPorts {
public:
    // The line of that name (or of the name it points to), for exclusive use.
    TComHandle Open(const std::string& name) override;
    TOpenProblem LastOpenProblem() const override { return lastProblem_; }

    // Makes alias open the port target from now on, whatever it opened
    // before, as a symbolic link does.
    static void PointName(const std::string& alias, const std::string& target);
    // Bytes waiting for the host on an open port of a memory line; -1 for
    // any other handle.
    static int QueuedInput(const TComHandle& handle);

private:
    TOpenProblem lastProblem_ = TOpenProblem::None;
};

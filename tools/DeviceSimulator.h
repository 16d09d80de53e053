#pragma once
// A TOREM device on a pseudo-terminal, for people without the hardware and
// for tests: a program opens SlavePath() as its serial port and talks to the
// simulator as it would to the device (DeviceProtocol.h). POSIX only.
//
// The simulator runs on a thread of its own between Start() and Stop(). It
// holds the slave side open itself, so the pseudo-terminal never hangs up
// while programs open and close the port.

#include <cstdint>
#include <span>
#include <string>

#include "DeviceProtocol.h"

class TDeviceSimulator final : public TDeviceProtocol, private TDeviceWire {
public:
    // Creates the pseudo-terminal in raw mode; throws std::system_error
    // when the system has none to give.
    explicit TDeviceSimulator(const TSimOptions& options = {});
    // Stops the thread and closes the pseudo-terminal.
    ~TDeviceSimulator() override;

    // The path a program opens as its serial port, e.g. "/dev/pts/3".
    const std::string& SlavePath() const { return slavePath_; }

    // Starts answering on a thread of its own. onChange, if given, runs on
    // that thread for each accepted change, after it was recorded. Once only.
    void Start(TChangeHandler onChange = {}) { StartServing(*this, std::move(onChange)); }
    // Ends the thread; a pending answer delay is cut short. Idempotent.
    void Stop() { StopServing(); }
    // Stops and closes the pseudo-terminal, as an unplugged device or a
    // killed simulator does: the host's port hangs up, and the path goes
    // once the host lets go. The recorded changes and levels stay readable.
    void HangUp();

    // Writes bytes to the host unasked (e.g. stale bytes for its receive
    // queue). False when the pseudo-terminal does not take them all.
    bool Send(std::span<const std::uint8_t> bytes);

private:
    std::size_t Receive(std::span<std::uint8_t> buffer, std::optional<Clock::time_point> deadline) override;
    bool Pause(std::chrono::milliseconds delay) override;
    void Answer(std::uint8_t byte) override;
    void Wake() override;

    int master_ = -1;
    int slave_ = -1;     // held so the pseudo-terminal never hangs up
    int wakeRead_ = -1;  // Wake() writes here to end a poll
    int wakeWrite_ = -1;
    std::string slavePath_;
};

#pragma once
// The TOREM device's side of the serial line, apart from the line itself:
// what it answers, what it keeps, what it counts. A simulator gives it a
// wire (a pseudo-terminal, an in-memory line) and it serves that wire on a
// thread of its own. Plain C++: the same device runs on every system.
//
// The device side of one output change:
//   receives 0x1A (start)          answers 0x01
//   receives output, then level    keeps the level, answers 0x01
// Bytes that arrive while idle and are not 0x1A are counted as violations
// and otherwise ignored. A change that stops half-way (no byte for FrameGap
// after the last byte received or answered) is dropped and counted, so the
// device is ready for the next start byte after a host gave up.
//
// The behaviour can be changed while it serves, and every query may be
// called from any thread.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

struct TOutputChange {
    std::uint8_t Output = 0;
    std::uint8_t Level = 0;
    bool operator==(const TOutputChange&) const = default;
};

// How the device answers; the defaults are a well-behaved device.
struct TSimBehaviour {
    bool Silent = false;                 // never answers
    std::uint8_t AnswerByte = 0x01;      // what it answers; anything but 0x01 is "not ready"
    bool AckLevel = true;                // false: answers the start byte, not the level
    std::chrono::milliseconds Delay{0};  // waits this long before each answer
    // The handshake of this number (counted from 1 since the device started)
    // keeps its level but gets no level acknowledgement, as when one answer
    // is lost on the line; 0 = none.
    std::uint64_t DropLevelAck = 0;
};

struct TSimOptions {
    TSimBehaviour Behaviour;
    // Record every change and every received byte (tests). A long-running
    // simulator only needs the levels and the counters.
    bool KeepHistory = true;
    // Silence after which a change left half-way is dropped.
    std::chrono::milliseconds FrameGap{500};
};

// The line as the device sees it. Receive and Pause run on the device's
// thread; Wake may be called from any thread.
class TDeviceWire {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~TDeviceWire() = default;
    // Waits until bytes from the host arrive, deadline passes (no deadline:
    // no bound) or Wake is called, and gives how many were put into buffer.
    virtual std::size_t Receive(std::span<std::uint8_t> buffer, std::optional<Clock::time_point> deadline) = 0;
    // Waits for delay; false when Wake cut it short.
    virtual bool Pause(std::chrono::milliseconds delay) = 0;
    // Sends a byte to the host; lost when the line takes no more.
    virtual void Answer(std::uint8_t byte) = 0;
    // Ends the Receive or Pause under way, and the next one.
    virtual void Wake() = 0;
};

class TDeviceProtocol {
public:
    using TChangeHandler = std::function<void(const TOutputChange&)>;

    explicit TDeviceProtocol(const TSimOptions& options = {});
    // The owner stops serving before its wire goes.
    ~TDeviceProtocol();
    TDeviceProtocol(const TDeviceProtocol&) = delete;
    TDeviceProtocol& operator=(const TDeviceProtocol&) = delete;

    void SetBehaviour(const TSimBehaviour& behaviour);
    TSimBehaviour Behaviour() const;

    // Accepted changes in order, and every byte received (with KeepHistory).
    std::vector<TOutputChange> Changes() const;
    std::vector<std::uint8_t> Received() const;
    // Waits until at least count changes were accepted, or bytes received,
    // since the start or the last ClearHistory; false on time-out.
    bool WaitForChanges(std::size_t count, std::chrono::milliseconds timeout) const;
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;

    // Current level of an output (0 until a change sets it), and of all 256.
    std::uint8_t Level(std::uint8_t output) const;
    std::array<std::uint8_t, 256> Levels() const;

    std::uint64_t ChangeCount() const;
    // Bytes that arrived while idle and were not the start byte.
    std::uint64_t Violations() const;
    // Changes dropped half-way after FrameGap of silence.
    std::uint64_t AbandonedFrames() const;

    // Forgets the recorded changes and bytes and zeroes the counters; the
    // levels stay.
    void ClearHistory();

protected:
    // Serves wire on a thread of its own. onChange, if given, runs on that
    // thread for each accepted change, after it was recorded and before it
    // is answered. Once only.
    void StartServing(TDeviceWire& wire, TChangeHandler onChange);
    // Ends the thread; a pending answer delay is cut short. Idempotent.
    void StopServing();

private:
    enum class TState { Idle, WaitOutput, WaitLevel };

    void Run();
    void Take(std::uint8_t byte);
    void Answer(bool forLevel);
    void Accept(TOutputChange change);
    bool StopRequested() const { return stopping_.load(std::memory_order_acquire); }

    const bool keepHistory_;
    const std::chrono::milliseconds frameGap_;

    // The serving thread only.
    TDeviceWire* wire_ = nullptr;
    TState state_ = TState::Idle;
    std::uint8_t output_ = 0;
    std::uint64_t handshakes_ = 0;  // start bytes taken
    TDeviceWire::Clock::time_point lastActivity_{};
    TChangeHandler onChange_;

    mutable std::mutex mutex_;
    mutable std::condition_variable progress_;
    TSimBehaviour behaviour_;
    std::array<std::uint8_t, 256> levels_{};
    std::vector<TOutputChange> changes_;
    std::vector<std::uint8_t> received_;
    std::uint64_t changeCount_ = 0;
    std::uint64_t receivedCount_ = 0;
    std::uint64_t violations_ = 0;
    std::uint64_t abandoned_ = 0;

    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

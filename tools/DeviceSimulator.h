#pragma once
// A TOREM device on a pseudo-terminal, for people without the hardware and
// for tests: a program opens SlavePath() as its serial port and talks to the
// simulator as it would to the device.
//
// The device side of one output change:
//   receives 0x1A (start)          answers 0x01
//   receives output, then level    keeps the level, answers 0x01
// Bytes that arrive while idle and are not 0x1A are counted as violations
// and otherwise ignored. A change that stops half-way (no byte for FrameGap
// after the last byte received or answered) is dropped and counted, so the
// device is ready for the next start byte after a host gave up.
//
// The simulator runs on a thread of its own between Start() and Stop(); the
// behaviour can be changed while it runs, and every query may be called from
// any thread. It holds the slave side open itself, so the pseudo-terminal
// never hangs up while programs open and close the port.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
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
    // The handshake of this number (counted from 1 since the simulator
    // started) keeps its level but gets no level acknowledgement, as when
    // one answer is lost on the line; 0 = none.
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

class TDeviceSimulator {
public:
    using TChangeHandler = std::function<void(const TOutputChange&)>;

    // Creates the pseudo-terminal in raw mode; throws std::system_error
    // when the system has none to give.
    explicit TDeviceSimulator(const TSimOptions& options = {});
    // Stops the thread and closes the pseudo-terminal.
    ~TDeviceSimulator();
    TDeviceSimulator(const TDeviceSimulator&) = delete;
    TDeviceSimulator& operator=(const TDeviceSimulator&) = delete;

    // The path a program opens as its serial port, e.g. "/dev/pts/3".
    const std::string& SlavePath() const { return slavePath_; }

    // Starts answering on a thread of its own. onChange, if given, runs on
    // that thread for each accepted change, after it was recorded. Once only.
    void Start(TChangeHandler onChange = {});
    // Ends the thread; a pending answer delay is cut short. Idempotent.
    void Stop();
    // Stops and closes the pseudo-terminal, as an unplugged device or a
    // killed simulator does: the host's port hangs up, and the path goes
    // once the host lets go. The recorded changes and levels stay readable.
    void HangUp();

    void SetBehaviour(const TSimBehaviour& behaviour);
    TSimBehaviour Behaviour() const;

    // Writes bytes to the host unasked (e.g. stale bytes for its receive
    // queue). False when the pseudo-terminal does not take them all.
    bool Send(std::span<const std::uint8_t> bytes);

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

private:
    enum class TState { Idle, WaitOutput, WaitLevel };

    void Run();
    void Take(std::uint8_t byte);
    void Answer(bool forLevel);
    void Accept(TOutputChange change);
    bool StopRequested() const { return stopping_.load(std::memory_order_acquire); }

    const bool keepHistory_;
    const std::chrono::milliseconds frameGap_;
    int master_ = -1;
    int slave_ = -1;         // held so the pseudo-terminal never hangs up
    int wakeRead_ = -1;      // Stop() writes here to end a poll
    int wakeWrite_ = -1;
    std::string slavePath_;

    // Simulator thread only.
    TState state_ = TState::Idle;
    std::uint8_t output_ = 0;
    std::uint64_t handshakes_ = 0;  // start bytes taken
    std::chrono::steady_clock::time_point lastActivity_{};
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

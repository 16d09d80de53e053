#pragma once
// Checking the rig without a MIDI keyboard: one output at a level, every
// output of a range at a level, or a chase through a range (each output on
// for a step, then off), through the live bridge's send path. A test never
// leaves on what it lit: stopping it, or the end of a chase, switches off
// every output it lit (a port that is lost meanwhile gets its 0 when it is
// back, as every level the bridge wants).

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>

#include "LiveBridge.h"
#include "TimerClock.h"

struct TChase {
    std::uint8_t From = 0;
    std::uint8_t To = 255;
    std::uint8_t Level = 255;
    double StepsPerSecond = 4;
};

class TOutputTest {
public:
    using TClock = std::chrono::steady_clock;

    // clock runs out into ClockRanOut; now tells the monotonic time (tests
    // give their own). Everything must outlive the test.
    TOutputTest(TLiveBridge& bridge, TTimerClock& clock, std::function<TClock::time_point()> now = TClock::now)
        : bridge_(bridge), clock_(clock), now_(std::move(now))
    {
    }
    ~TOutputTest() { clock_.Stop(); }
    TOutputTest(const TOutputTest&) = delete;
    TOutputTest& operator=(const TOutputTest&) = delete;

    // Each starts by stopping the test that runs. One output, and a range,
    // hold until Stop.
    void One(std::uint8_t output, std::uint8_t level);
    void Range(std::uint8_t from, std::uint8_t to, std::uint8_t level);
    // Ends by itself once the last output has had its step; a rate of 0 or
    // less is refused with std::invalid_argument.
    void Chase(const TChase& chase);
    // Everything the test lit goes off.
    void Stop();
    bool Running() const { return running_; }

    // The chase's clock: the next step, on time with the chase's start.
    void ClockRanOut();
    // Runs when a chase has ended by itself.
    void SetOnEnded(std::function<void()> handler) { onEnded_ = std::move(handler); }

private:
    void Light(std::uint8_t output, std::uint8_t level);
    void Schedule();

    TLiveBridge& bridge_;
    TTimerClock& clock_;
    std::function<TClock::time_point()> now_;
    std::function<void()> onEnded_;
    std::set<std::uint8_t> lit_;
    bool running_ = false;
    TChase chase_;
    unsigned step_ = 0;
    TClock::time_point started_{};
};

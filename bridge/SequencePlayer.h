#pragma once
// Rehearsing a show on the device: the timed output changes of a sequence
// (an image read back, or a MIDI file converted in memory) played in real
// time through the live bridge's send path, from any point. Time is kept
// against a monotonic clock from the moment play began, so an hour does not
// drift; when the device is slower than the show, newer levels replace
// waiting ones as live notes do, and live notes still play meanwhile (the
// later change of an output wins). Pausing, stopping or the end of the show
// switches off what the play lit.

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "LiveBridge.h"
#include "TimerClock.h"
#include "UsefullMidiEventClasse.h"

class TSequencePlayer {
public:
    using TClock = std::chrono::steady_clock;

    // clock runs out into ClockRanOut; now tells the monotonic time (tests
    // give their own). Everything must outlive the player.
    TSequencePlayer(TLiveBridge& bridge, TTimerClock& clock, std::function<TClock::time_point()> now = TClock::now)
        : bridge_(bridge), clock_(clock), now_(std::move(now))
    {
    }
    ~TSequencePlayer() { clock_.Stop(); }
    TSequencePlayer(const TSequencePlayer&) = delete;
    TSequencePlayer& operator=(const TSequencePlayer&) = delete;

    // The show: its changes (sorted here by time, keeping the order of
    // those at one time) and its resolution; it ends one resolution after
    // its last change, so that the last frame is seen. Stops what plays.
    void Load(std::vector<TContactorEvent> changes, std::uint16_t resolutionMs);
    // From fromMs into the show: the outputs take the levels the show gives
    // them at that moment, then the changes follow in time.
    void Play(std::uint32_t fromMs);
    // Stops where it is, switching off what it lit; Play(Position())
    // resumes.
    void Pause();
    // Back to the start, switching off what it lit.
    void Stop();

    bool Playing() const { return playing_; }
    // Where the show is now, in ms.
    std::uint32_t Position() const;
    // Where the show ends.
    std::uint32_t Length() const { return length_; }

    // The play's clock: the changes that are due, then the next wait.
    void ClockRanOut();
    // Runs when the show has played to its end.
    void SetOnEnded(std::function<void()> handler) { onEnded_ = std::move(handler); }

    // How late changes went out against the show's times: the worst, and
    // every lag for a median (benchmarks).
    std::chrono::microseconds WorstLag() const { return worstLag_; }
    const std::vector<std::chrono::microseconds>& Lags() const { return lags_; }

private:
    void Apply(const TContactorEvent& change);
    void SwitchOffLit();
    void Schedule();

    TLiveBridge& bridge_;
    TTimerClock& clock_;
    std::function<TClock::time_point()> now_;
    std::function<void()> onEnded_;
    std::vector<TContactorEvent> changes_;
    std::size_t next_ = 0;
    std::uint32_t length_ = 0;
    std::uint32_t position_ = 0;       // while not playing
    TClock::time_point zero_{};        // the moment the show's time 0 fell, while playing
    bool playing_ = false;
    std::set<std::uint8_t> lit_;
    std::chrono::microseconds worstLag_{0};
    std::vector<std::chrono::microseconds> lags_;
};

// Live notes through the whole path: a note injected into a virtual MIDI
// device (on the benchmark's thread, as a driver thread delivers it), the MIDI
// input and the bridge on a plain event loop running on a thread of its own
// (the window's thread), the serial link, a pseudo-terminal, and the device
// simulator answering at once. The end of each note's road is the moment the
// simulator has taken its level byte.
//
// A pty has no baud-rate delay; on a real 57600-baud line the bytes alone
// allow about 1150 changes per second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "AppSettings.h"
#include "DeviceSimulator.h"
#include "EventLoop.h"
#include "LiveBridge.h"
#include "LoopActivityIndicator.h"
#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "MidiStatus.h"
#include "PosixSerialDevice.h"
#include "Rs232Link.h"
#include "SequencePlayer.h"
#include "VirtualMidiDeviceLayer.h"

namespace {

using Clock = std::chrono::steady_clock;

// A failed change shows up as a change missing at the device, so the boxes
// themselves need not be looked at.
class TSilentDialogs final : public TDialogs {
public:
    void Warning(const std::string&) override {}
    void WarningNoWait(const std::string&) override {}
    void Information(const std::string&) override {}
    bool Confirmation(const std::string&) override { return false; }
};

TMidiDeviceLayer& WithKeyboard(TVirtualMidiDeviceLayer& layer)
{
    layer.AddDevice("Bench Keys");
    return layer;
}

class TBenchRig {
public:
    // monitor: an output monitor drawn ten times a second meanwhile, as the
    // window's is.
    explicit TBenchRig(const TSimBehaviour& device = {}, bool monitor = false)
        : Sim({.Behaviour = device, .KeepHistory = true}),
          AckClock(Loop),
          Link(Ports, AckClock, Loop),
          MidiInput(WithKeyboard(Keyboard), std::make_unique<TLoopNotificationTarget>(Loop)),
          Lamp(Loop),
          Watch(Loop, [this] { Bridge.WatchClockRanOut(); }),
          Drain(Loop, [this] { Bridge.DrainClockRanOut(); }),
          Bridge(Settings, MidiInput, Link, Dialogs, Lamp, TLiveBridge::TClocks{Watch, Drain}),
          Monitor(Loop, std::chrono::milliseconds(100), [this] { DrawMonitor(); })
    {
        Monitor.SetEnabled(monitor);
        Lamp.SetOnTimer([this] { Bridge.Timer2Timer(); });
        MidiInput.SetCapacity(4096);
        MidiInput.SetOnOverflow([this](TMidiInput&) { overflows_.fetch_add(1, std::memory_order_relaxed); });
        Sim.Start([this](const TOutputChange&) {
            const auto now = Clock::now();
            {
                std::lock_guard lock(mutex_);
                lastArrival_ = now;
                arrivals_.push_back(now);
                ++accepted_;
            }
            arrived_.notify_one();
        });

        Settings.ComPortName = Sim.SlavePath();
        Settings.MidiInPortName = "Bench Keys";
        Bridge.OpenComPort();
        Bridge.OpenMidiInPort();
        Bridge.StartWatching();
        ready_ = Settings.ComPortOpen && MidiInput.IsOpen();

        // The window's thread from here on, until the rig ends.
        ui_ = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested())
                Loop.RunOnce(std::chrono::milliseconds(20));
        });
    }

    ~TBenchRig()
    {
        ui_.request_stop();
        Loop.Wake();
        ui_.join();
        Bridge.BeginShutdown();
        Bridge.CloseMidiInPort();
        if (Settings.ComPortOpen)
            Bridge.CloseComPort();
    }

    bool Ready() const { return ready_; }

    // Waits until the simulator has accepted count changes in all; the time
    // the last one arrived, or nothing after a second without progress.
    std::optional<Clock::time_point> WaitAccepted(std::uint64_t count)
    {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(1), [&] { return accepted_ >= count; }))
            return std::nullopt;
        return lastArrival_;
    }

    std::uint64_t Accepted()
    {
        std::lock_guard lock(mutex_);
        return accepted_;
    }

    std::vector<Clock::time_point> Arrivals()
    {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }

    // What the window's monitor does for each of the 256 outputs when it is
    // drawn: its view and its text.
    void DrawMonitor()
    {
        std::size_t length = 0;
        for (unsigned output = 0; output < 256; ++output) {
            const TOutputView view = Bridge.Output(static_cast<std::uint8_t>(output));
            length += std::to_string(view.Level).size() + (view.Ack == TOutputAck::Confirmed ? 0 : 1);
        }
        benchmark::DoNotOptimize(length);
    }

    // After the rig's thread has stopped, or while it runs: lost input.
    std::uint64_t Overflows() const { return overflows_.load(std::memory_order_relaxed); }

    TDeviceSimulator Sim;
    TPosixSerialPorts Ports;
    TEventLoop Loop;
    TLoopAckClock AckClock;
    TRs232Link Link;
    TVirtualMidiDeviceLayer Keyboard;
    TMidiInput MidiInput;
    AppSettings Settings;
    TSilentDialogs Dialogs;
    TLoopActivityIndicator Lamp;
    TLoopTimerClock Watch;
    TLoopTimerClock Drain;
    TLiveBridge Bridge;
    TLoopTimer Monitor;

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    Clock::time_point lastArrival_{};
    std::vector<Clock::time_point> arrivals_;
    std::uint64_t accepted_ = 0;
    std::atomic<std::uint64_t> overflows_{0};
    bool ready_ = false;
    std::jthread ui_;
};

// Event n of an endless run on channel 1: the 128 notes struck in turn, then
// released in turn, and so on. An output changes again only 128 events
// later, so with fewer events than that on their way no change waits behind
// another of its output, and every event is one change at the device.
struct TNote {
    std::uint8_t Status;
    std::uint8_t Note;
    std::uint8_t Velocity;
    TOutputChange Change;
};

TNote NoteNumber(std::uint64_t n)
{
    const auto note = static_cast<std::uint8_t>(n % 128);
    const auto velocity = static_cast<std::uint8_t>(1 + (n / 256) % 127);
    if ((n / 128) % 2 == 0)
        return {MidiStatus::NoteOn, note, velocity, {note, static_cast<std::uint8_t>(2 * velocity + 1)}};
    return {MidiStatus::NoteOff, note, 64, {note, 0}};
}

// Every note arrived once, in order, with no box and no lost input.
bool Check(benchmark::State& state, TBenchRig& rig, std::uint64_t notes)
{
    const std::vector<TOutputChange> changes = rig.Sim.Changes();
    bool inOrder = changes.size() == notes;
    for (std::uint64_t i = 0; inOrder && i < notes; ++i)
        inOrder = changes[i] == NoteNumber(i).Change;
    if (!inOrder) {
        state.SkipWithError("a change was lost, repeated or reordered");
        return false;
    }
    if (rig.Overflows() != 0 || rig.Sim.Violations() != 0) {
        state.SkipWithError("input lost, or the device saw stray bytes");
        return false;
    }
    return true;
}

void NoteToDeviceLatency(benchmark::State& state)
{
    TBenchRig rig({}, state.range(0) != 0);
    if (!rig.Ready()) {
        state.SkipWithError("cannot open the simulator's port or the virtual keyboard");
        return;
    }
    std::vector<double> micros;
    micros.reserve(1 << 20);
    std::uint64_t n = 0;
    for (auto _ : state) {
        const TNote note = NoteNumber(n++);
        const auto injected = Clock::now();
        if (!rig.Keyboard.InjectShort(0, note.Status, note.Note, note.Velocity)) {
            state.SkipWithError("the keyboard did not take the note");
            return;
        }
        const auto arrived = rig.WaitAccepted(n);
        if (!arrived) {
            state.SkipWithError("a note did not reach the device within a second");
            return;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(*arrived - injected).count());
    }
    if (!Check(state, rig, n))
        return;

    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1) + 0.5);
        return micros[i];
    };
    state.counters["median_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = micros.back();
}

// As fast as the path takes them, with at most window notes on their way so
// the input ring never overflows.
void SustainedNotes(benchmark::State& state)
{
    constexpr std::uint64_t Batch = 2000;
    const auto window = static_cast<std::uint64_t>(state.range(0));
    TBenchRig rig({}, state.range(1) != 0);
    if (!rig.Ready()) {
        state.SkipWithError("cannot open the simulator's port or the virtual keyboard");
        return;
    }
    std::uint64_t n = 0;
    for (auto _ : state) {
        for (std::uint64_t end = n + Batch; n < end;) {
            if (n >= window && !rig.WaitAccepted(n - window + 1)) {
                state.SkipWithError("the path stalled");
                return;
            }
            const TNote note = NoteNumber(n++);
            (void)rig.Keyboard.InjectShort(0, note.Status, note.Note, note.Velocity);
        }
        if (!rig.WaitAccepted(n)) {
            state.SkipWithError("the path stalled");
            return;
        }
    }
    if (!Check(state, rig, n))
        return;
    state.counters["changes/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsRate);
}

} // namespace

// A device that answers in 16 ms (so a change takes at least 32 ms) and a
// burst of 2000 note events over 16 outputs, as fast as the keyboard sends
// them: the time from the burst's end until the device holds the levels the
// notes ask for. Changes that wait are replaced in place, so what is left
// at the end is at most one change per output.
void BurstToSlowDevice(benchmark::State& state)
{
    constexpr int Events = 2000;
    constexpr int Outputs = 16;
    TBenchRig rig({.Delay = std::chrono::milliseconds(16)});
    if (!rig.Ready()) {
        state.SkipWithError("cannot open the simulator's port or the virtual keyboard");
        return;
    }
    std::vector<double> settleMs;
    std::uint64_t burst = 0;
    for (auto _ : state) {
        // Each burst ends in other levels than the one before.
        std::array<std::uint8_t, Outputs> wanted{};
        for (int i = 0; i < Events; ++i) {
            const int output = i % Outputs;
            const bool on = (i / Outputs + static_cast<int>(burst)) % 3 != 0;
            const auto velocity = static_cast<std::uint8_t>(1 + (i + static_cast<int>(burst) * 7) % 127);
            (void)rig.Keyboard.InjectShort(0, on ? MidiStatus::NoteOn : MidiStatus::NoteOff, static_cast<std::uint8_t>(40 + output), velocity);
            wanted[static_cast<std::size_t>(output)] = on ? static_cast<std::uint8_t>(2 * velocity + 1) : 0;
        }
        const auto end = Clock::now();
        ++burst;
        const auto settled = [&] {
            for (int output = 0; output < Outputs; ++output)
                if (rig.Sim.Level(static_cast<std::uint8_t>(40 + output)) != wanted[static_cast<std::size_t>(output)])
                    return false;
            return true;
        };
        std::optional<Clock::time_point> last;
        while (!settled()) {
            last = rig.WaitAccepted(rig.Accepted() + 1);
            if (!last) {
                state.SkipWithError("the device did not reach the notes' levels");
                return;
            }
        }
        settleMs.push_back(std::chrono::duration<double, std::milli>(last.value_or(end) - end).count());
    }
    if (rig.Overflows() != 0 || rig.Sim.Violations() != 0) {
        state.SkipWithError("input lost, or the device saw stray bytes");
        return;
    }
    std::sort(settleMs.begin(), settleMs.end());
    state.counters["settle_ms_median"] = settleMs[settleMs.size() / 2];
    state.counters["settle_ms_max"] = settleMs.back();
    state.counters["changes_per_burst"] =
        static_cast<double>(rig.Accepted()) / static_cast<double>(std::max<std::uint64_t>(burst, 1));
}

// A dense one-minute show played on the device (600 frames of 100 ms, 16
// changes each, every output changing at most once a frame): how late each
// change reaches the device against the show's time, the median and the
// worst. Needs the whole minute.
void PlayedShowLag(benchmark::State& state)
{
    constexpr std::uint32_t Frames = 600;
    constexpr std::uint32_t PerFrame = 16;
    std::vector<TContactorEvent> show;
    for (std::uint32_t frame = 0; frame < Frames; ++frame)
        for (std::uint32_t i = 0; i < PerFrame; ++i)
            show.push_back({frame * 100, static_cast<std::uint8_t>((frame * 5 + i) % 256),
                            static_cast<std::uint8_t>(frame % 2 == 0 ? 1 + i : 0)});
    for (auto _ : state) {
        TBenchRig rig;
        if (!rig.Ready()) {
            state.SkipWithError("cannot open the simulator's port");
            return;
        }
        // Made, played and let go on the window's thread, where its clock runs.
        std::unique_ptr<TLoopTimerClock> playClock;
        std::unique_ptr<TSequencePlayer> player;
        std::atomic<bool> ended{false};
        Clock::time_point zero{};
        rig.Loop.Post([&] {
            playClock = std::make_unique<TLoopTimerClock>(rig.Loop, [&player] { player->ClockRanOut(); });
            player = std::make_unique<TSequencePlayer>(rig.Bridge, *playClock);
            player->Load(show, 100);
            player->SetOnEnded([&] { ended = true; });
            zero = Clock::now();
            player->Play(0);
        });
        while (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::atomic<bool> gone{false};
        rig.Loop.Post([&] {
            player.reset();
            playClock.reset();
            gone = true;
        });
        while (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // The show's changes arrive first, in order; the end's offs after.
        const std::vector<Clock::time_point> arrivals = rig.Arrivals();
        std::vector<double> lagMs;
        for (std::size_t i = 0; i < show.size() && i < arrivals.size(); ++i)
            lagMs.push_back(std::chrono::duration<double, std::milli>(arrivals[i] - zero).count() - show[i].TimeMs);
        if (arrivals.size() < show.size()) {
            state.SkipWithError("changes of the show did not reach the device");
            return;
        }
        std::sort(lagMs.begin(), lagMs.end());
        state.counters["lag_ms_median"] = lagMs[lagMs.size() / 2];
        state.counters["lag_ms_max"] = lagMs.back();
        state.counters["changes"] = static_cast<double>(show.size());
    }
}

// Without, then with the output monitor drawn meanwhile.
BENCHMARK(NoteToDeviceLatency)->Arg(0)->Arg(1)->UseRealTime()->MinTime(3.0)->Unit(benchmark::kMicrosecond);
// Fewer than 128 events on their way: see NoteNumber.
BENCHMARK(SustainedNotes)->Args({100, 0})->Args({100, 1})->UseRealTime()->MinTime(3.0)->Unit(benchmark::kMillisecond);
BENCHMARK(PlayedShowLag)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BurstToSlowDevice)->UseRealTime()->Iterations(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Speed of the MIDI input path: a driver thread plays into a virtual device,
// the component's callback stores and notifies, and the owner's thread runs
// the plain event loop and fetches each message in OnMidiInput.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Circbuf.h"
#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "MidiStatus.h"
#include "VirtualMidiDeviceLayer.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The component on a virtual device, with the owner's loop on its own thread.
struct Path {
    explicit Path(std::uint16_t capacity)
    {
        layer.AddDevice("Bench");
        input = std::make_unique<TMidiInput>(layer, std::make_unique<TLoopNotificationTarget>(loop));
        input->SetCapacity(capacity);
        input->SetOnOverflow([this](TMidiInput&) { overflows.fetch_add(1); });
        input->Open();
        input->Start();
    }
    ~Path()
    {
        input->Stop();
        input->Close();
    }
    void RunOwner()
    {
        owner = std::thread([this] {
            while (!stop.load(std::memory_order_acquire))
                loop.RunOnce(5ms);
        });
    }
    void StopOwner()
    {
        stop = true;
        loop.Wake();
        owner.join();
    }

    TEventLoop loop;
    TVirtualMidiDeviceLayer layer;
    std::unique_ptr<TMidiInput> input;
    std::thread owner;
    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> overflows{0};
};

// One message at a time: injected on this thread, timed until the owner's
// OnMidiInput has fetched it.
void BM_NotificationLatency(benchmark::State& state)
{
    Path path(4096);
    std::atomic<std::int64_t> sentAt{0};
    std::atomic<std::int64_t> latencyNs{-1};
    path.input->SetOnMidiInput([&](TMidiInput& sender) {
        auto event = sender.GetMidiEvent();
        const auto now = Clock::now().time_since_epoch().count();
        benchmark::DoNotOptimize(event);
        latencyNs.store(now - sentAt.load(std::memory_order_acquire), std::memory_order_release);
    });
    path.RunOwner();

    std::vector<double> samples;
    for (auto _ : state) {
        latencyNs.store(-1, std::memory_order_relaxed);
        sentAt.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
        path.layer.InjectShort(0, MidiStatus::NoteOn, 0x3C, 0x64);
        std::int64_t ns;
        while ((ns = latencyNs.load(std::memory_order_acquire)) < 0)
            std::this_thread::yield();
        samples.push_back(static_cast<double>(ns));
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
    }
    path.StopOwner();

    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_us"] = samples[samples.size() / 2] / 1000.0;
        state.counters["p99_us"] = samples[samples.size() * 99 / 100] / 1000.0;
    }
    state.counters["overflows"] = path.overflows.load();
}
BENCHMARK(BM_NotificationLatency)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

// As many messages as the owner sustains: the driver thread keeps at most
// the ring's capacity (4096) unfetched, so none may be lost.
void BM_ComponentThroughput(benchmark::State& state)
{
    constexpr std::uint32_t kBatch = 200'000;
    constexpr std::uint32_t kCapacity = 4096;
    Path path(kCapacity);
    std::atomic<std::uint32_t> fetched{0};
    path.input->SetOnMidiInput([&](TMidiInput& sender) {
        auto event = sender.GetMidiEvent();
        benchmark::DoNotOptimize(event);
        fetched.fetch_add(1, std::memory_order_release);
    });
    path.RunOwner();

    std::uint32_t sent = 0;
    for (auto _ : state) {
        const std::uint32_t target = sent + kBatch;
        while (sent < target) {
            if (sent - fetched.load(std::memory_order_acquire) >= kCapacity) {
                std::this_thread::yield();
                continue;
            }
            path.layer.InjectShort(0, MidiStatus::NoteOn, static_cast<std::uint8_t>(sent & 0x7F), 0x40);
            ++sent;
        }
        while (fetched.load(std::memory_order_acquire) != sent)
            std::this_thread::yield();
    }
    path.StopOwner();
    state.SetItemsProcessed(static_cast<std::int64_t>(sent));
    state.counters["overflows"] = path.overflows.load();
    if (path.overflows.load() != 0)
        state.SkipWithError("messages were lost");
}
BENCHMARK(BM_ComponentThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

// The ring alone, one producer and one consumer thread, capacity 4096.
void BM_InputRingThroughput(benchmark::State& state)
{
    constexpr std::uint32_t kBatch = 1'000'000;
    InputRing ring(4096);
    std::uint64_t moved = 0;
    for (auto _ : state) {
        std::thread producer([&] {
            InputSlot slot;
            for (std::uint32_t n = 0; n < kBatch;) {
                slot.Timestamp = n;
                if (ring.Push(slot))
                    ++n;
                else
                    std::this_thread::yield();
            }
        });
        std::uint32_t expected = 0;
        bool inOrder = true;
        while (expected < kBatch) {
            InputSlot slot;
            if (!ring.Peek(slot)) {
                std::this_thread::yield();
                continue;
            }
            inOrder = inOrder && slot.Timestamp == expected;
            ring.Pop();
            ++expected;
        }
        producer.join();
        if (!inOrder)
            state.SkipWithError("slots out of order");
        moved += kBatch;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(moved));
}
BENCHMARK(BM_InputRingThroughput)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

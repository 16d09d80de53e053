// Output changes per second through the serial link against the device
// simulator on a pseudo-terminal that answers at once. A pty has no baud-rate
// delay, so this is the time the host adds to each handshake; a real
// 57600-baud line allows about 1150 changes per second.

#include <benchmark/benchmark.h>

#include "DeviceSimulator.h"
#include "EventLoop.h"
#include "PosixSerialDevice.h"
#include "Rs232Link.h"

namespace {

struct TBenchLink {
    TBenchLink() : Sim({.Behaviour = {}, .KeepHistory = false}), Clock(Loop), Link(Ports, Clock, Loop)
    {
        Sim.Start();
        Opened = Link.ComOpen(Handle, Sim.SlavePath()) == TComResult::ComOk;
    }
    TDeviceSimulator Sim;
    TPosixSerialPorts Ports;
    TEventLoop Loop;
    TLoopAckClock Clock;
    TRs232Link Link;
    TComHandle Handle;
    bool Opened = false;
};

void SendContact(benchmark::State& state)
{
    TBenchLink rig;
    if (!rig.Opened) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    std::uint32_t n = 0;
    for (auto _ : state) {
        const TComResult result =
            rig.Link.ComSendContact(rig.Handle, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8));
        ++n;
        if (result != TComResult::ComOk) {
            state.SkipWithError("a change was not acknowledged");
            return;
        }
    }
    if (rig.Sim.ChangeCount() != static_cast<std::uint64_t>(state.iterations()))
        state.SkipWithError("the device did not accept every change");
    state.counters["changes/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}

// One byte out and its acknowledgement in: half a change.
void WriteByteWaitAck(benchmark::State& state)
{
    TBenchLink rig;
    if (!rig.Opened) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    std::uint8_t next = 0x1A;  // start byte, then output and level, alternately
    for (auto _ : state) {
        if (next != 0x1A && rig.Link.ComWriteByte(rig.Handle, 0x42) != TComResult::ComOk) {
            state.SkipWithError("write failed");
            return;
        }
        if (rig.Link.ComWriteByteWaitAck(rig.Handle, next) != TComResult::ComOk) {
            state.SkipWithError("no acknowledgement");
            return;
        }
        next = next == 0x1A ? 0x7F : 0x1A;
    }
    state.counters["round trips/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(SendContact)->UseRealTime()->MinTime(2.0);
BENCHMARK(WriteByteWaitAck)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();

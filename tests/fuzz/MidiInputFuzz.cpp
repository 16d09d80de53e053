// Any MIDI input from a device, short messages and system exclusive alike,
// into a small ring and few, small system exclusive buffers, taken out as
// the bridge takes them or not in time: every message the owner gets is one
// the device sent, in the order sent, a system exclusive one cut to its
// buffer; clock and sensing never come through, nor short messages when
// only system exclusive ones are asked for; and each message the device
// delivered is either taken or counted as lost to a full ring.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "EventLoop.h"
#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "VirtualMidiDeviceLayer.h"

namespace {

struct TMessage {
    std::uint8_t Status;
    std::uint8_t Data1;
    std::uint8_t Data2;
    std::vector<std::uint8_t> Sysex;
    std::uint32_t Timestamp;

    bool operator==(const TMessage&) const = default;
};

TMessage Of(const TMyMidiEvent& event)
{
    if (event.Status == MidiStatus::SystemExclusive && !event.SysexData.empty())
        return {event.Status, 0, 0, event.SysexData, event.Timestamp};
    return {event.Status, event.Data1, event.Data2, {}, event.Timestamp};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fuzz(data, size);
    TEventLoop loop;
    TVirtualMidiDeviceLayer layer;
    layer.AddDevice("Keys");
    TMidiInput input(layer, std::make_unique<TLoopNotificationTarget>(loop));
    const auto bufferSize = fuzz.ConsumeIntegralInRange<std::uint16_t>(1, 64);
    const bool sysexOnly = fuzz.ConsumeIntegralInRange<int>(0, 7) == 0;
    input.SetCapacity(fuzz.ConsumeIntegralInRange<std::uint16_t>(1, 8));
    input.SetSysexBufferSize(bufferSize);
    input.SetSysexBufferCount(fuzz.ConsumeIntegralInRange<std::uint16_t>(0, 3));
    input.SetSysexOnly(sysexOnly);
    std::vector<TMessage> taken;
    std::size_t lost = 0;
    input.SetOnMidiInput([&](TMidiInput& sender) {
        if (const auto event = sender.GetMidiEvent())
            taken.push_back(Of(*event));
    });
    input.SetOnOverflow([&](TMidiInput&) { ++lost; });
    input.Open();
    if (!input.IsOpen())
        __builtin_trap();
    input.Start();

    std::vector<TMessage> delivered;
    while (fuzz.remaining_bytes() > 0) {
        switch (fuzz.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            const TMessage m{fuzz.ConsumeIntegral<std::uint8_t>(), fuzz.ConsumeIntegral<std::uint8_t>(),
                             fuzz.ConsumeIntegral<std::uint8_t>(), {}, fuzz.ConsumeIntegral<std::uint8_t>()};
            if (!layer.InjectShort(0, m.Status, m.Data1, m.Data2, m.Timestamp))
                __builtin_trap();
            if (m.Status != MidiStatus::TimingClock && m.Status != MidiStatus::ActiveSensing && !sysexOnly)
                delivered.push_back(m);
            break;
        }
        case 1: {
            std::vector<std::uint8_t> bytes = fuzz.ConsumeBytes<std::uint8_t>(fuzz.ConsumeIntegralInRange(1, 100));
            if (bytes.empty())
                break;
            if (layer.InjectSysex(0, bytes, 7)) {
                bytes.resize(std::min<std::size_t>(bytes.size(), bufferSize));
                delivered.push_back({MidiStatus::SystemExclusive, 0, 0, bytes, 7});
            }
            break;
        }
        case 2:
            loop.ProcessMessages();
            break;
        default:
            input.Stop();
            input.Start();
            break;
        }
    }
    loop.ProcessMessages();
    if (taken.size() + lost != delivered.size())
        __builtin_trap();
    // What was taken is what was delivered, in order, but for what was lost.
    std::size_t next = 0;
    for (const TMessage& m : taken) {
        while (next < delivered.size() && !(delivered[next] == m))
            ++next;
        if (next == delivered.size())
            __builtin_trap();
        ++next;
    }
    input.Stop();
    input.Close();
    return 0;
}

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LoopNotificationTarget.h"
#include "MidiIn.h"
#include "VirtualMidiDeviceLayer.h"

using namespace std::chrono_literals;

namespace {

// A driver thread plays hundreds of thousands of messages (every 64th a
// system exclusive one) into the component while the owner's thread pumps
// the loop. The timestamp carries the sequence number.
struct StressRun {
    explicit StressRun(std::uint16_t capacity)
    {
        layer.AddDevice("Stress");
        input = std::make_unique<TMidiInput>(layer, std::make_unique<TLoopNotificationTarget>(loop));
        input->SetCapacity(capacity);
        input->SetSysexBufferSize(8);
        input->SetOnMidiInput([this](TMidiInput& sender) {
            auto event = sender.GetMidiEvent();
            if (!event)
                return;
            const bool sysex = event->Status == 0xF0;
            const bool intact = sysex ? event->SysexLength == 6 && event->SysexData[1] == (event->Timestamp & 0x7F)
                                      : event->Status == 0x90 && event->Data1 == (event->Timestamp & 0x7F);
            inOrder = inOrder && intact && (received == 0 || event->Timestamp > last);
            last = event->Timestamp;
            ++received;
            handled.fetch_add(1, std::memory_order_release);
        });
        input->SetOnOverflow([this](TMidiInput&) { handled.fetch_add(1, std::memory_order_release); ++overflows; });
        input->Open();
        input->Start();
    }

    // throttle: keep at most that many messages unhandled, so nothing is lost.
    std::thread Produce(std::uint32_t messages, std::uint32_t throttle)
    {
        return std::thread([this, messages, throttle] {
            for (std::uint32_t n = 0; n < messages; ++n) {
                while (throttle > 0 && sent - handled.load(std::memory_order_acquire) >= throttle)
                    std::this_thread::yield();
                const auto low = static_cast<std::uint8_t>(n & 0x7F);
                bool delivered;
                if (n % 64 == 63) {
                    const std::uint8_t bytes[] = {0xF0, low, 1, 2, 3, 0xF7};
                    delivered = layer.InjectSysex(0, bytes, n);
                } else {
                    delivered = layer.InjectShort(0, 0x90, low, 0x40, n);
                }
                if (delivered)
                    ++sent;
                else
                    ++lostByDevice;  // no sysex buffer was queued
            }
        });
    }

    TEventLoop loop;
    TVirtualMidiDeviceLayer layer;
    std::unique_ptr<TMidiInput> input;
    std::atomic<std::uint32_t> handled{0};
    std::uint32_t sent = 0;          // producer only, read after join
    std::uint32_t lostByDevice = 0;  // producer only
    std::uint32_t received = 0;
    std::uint32_t overflows = 0;
    std::uint32_t last = 0;
    bool inOrder = true;
};

TEST(MidiInputStress, AThrottledProducerLosesNothing)
{
    constexpr std::uint32_t kMessages = 300'000;
    StressRun run(4096);
    std::thread producer = run.Produce(kMessages, 1024);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        producer.join();
        done = true;
        run.loop.Wake();  // the loop may be asleep with everything handled
    });
    ASSERT_TRUE(run.loop.RunUntil([&] { return done && run.handled.load() == run.sent; }, 120s));
    watcher.join();
    EXPECT_EQ(run.lostByDevice, 0u);
    EXPECT_EQ(run.overflows, 0u);
    EXPECT_EQ(run.received, kMessages);
    EXPECT_TRUE(run.inOrder);
    run.input->Stop();
    run.input->Close();
}

TEST(MidiInputStress, AFloodIsCountedExactlyAsReceivedOrOverflowed)
{
    constexpr std::uint32_t kMessages = 300'000;
    StressRun run(256);
    std::thread producer = run.Produce(kMessages, 0);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        producer.join();
        done = true;
        run.loop.Wake();  // the loop may be asleep with everything handled
    });
    ASSERT_TRUE(run.loop.RunUntil([&] { return done && run.handled.load() == run.sent; }, 120s));
    watcher.join();
    EXPECT_EQ(run.received + run.overflows, run.sent);
    EXPECT_EQ(run.sent + run.lostByDevice, kMessages);
    EXPECT_GT(run.received, 0u);
    EXPECT_TRUE(run.inOrder) << "what was stored arrives intact and in order";
    // Closing while the flood's last notifications may still be queued.
    run.input->Close();
}

}  // namespace

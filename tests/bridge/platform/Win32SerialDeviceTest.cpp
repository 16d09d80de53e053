// The Win32 serial device for real: under wine, COM12 and COM13 are
// pseudo-terminals with torem-devsim on the other side (COM13 never
// acknowledges a level), mapped by tests/support/wine-com-ports.sh. The
// folder of their logs is in TOREM_COM_PORTS; without it the tests that need
// a port are skipped.

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "EventLoop.h"
#include "Rs232Link.h"
#include "Win32SerialDevice.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::optional<std::string> PortsFolder()
{
    const char* folder = std::getenv("TOREM_COM_PORTS");
    return folder != nullptr ? std::optional<std::string>(folder) : std::nullopt;
}

#define NEEDS_SIMULATED_PORTS()                                                     \
    do {                                                                            \
        if (!PortsFolder())                                                         \
            GTEST_SKIP() << "no simulated device mapped as a COM port (TOREM_COM_PORTS)"; \
    } while (false)

// The changes the simulator behind port has accepted since it started.
std::vector<std::string> Accepted(const std::string& port)
{
    std::ifstream log(*PortsFolder() + "/" + port + ".log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

// The link as the window has it: the real one-second acknowledgement clock
// on a plain event loop.
struct TComLink {
    TWin32SerialPorts Ports;
    TEventLoop Loop;
    TLoopAckClock AckClock{Loop};
    TRs232Link Link{Ports, AckClock, Loop};
    TComHandle Handle;
};

int QueuedInput(const TComHandle& handle)
{
    const auto* device = dynamic_cast<const TWin32SerialDevice*>(handle.get());
    COMSTAT status{};
    DWORD errors = 0;
    if (device == nullptr || !ClearCommError(device->NativeHandle(), &errors, &status))
        return -1;
    return static_cast<int>(status.cbInQue);
}

}  // namespace

TEST(Win32SerialPorts, ComPortsAreOpenedInTheDeviceNamespace)
{
    const struct {
        std::string name;
        std::wstring path;
    } cases[] = {
        {"COM1", L"\\\\.\\COM1"},
        {"COM12", L"\\\\.\\COM12"},  // a plain "COM12" opens nothing
        {"com3", L"\\\\.\\com3"},
        {"COM256", L"\\\\.\\COM256"},
        {"\\\\.\\COM7", L"\\\\.\\COM7"},
        {"COM", L"COM"},
        {"COM0", L"COM0"},
        {"COM1 ", L"COM1 "},
        {"C:\\ports\\device", L"C:\\ports\\device"},
        {"\xCE\xA9-port", L"\x03A9-port"},  // UTF-8 in, UTF-16 out
    };
    for (const auto& c : cases)
        EXPECT_EQ(TWin32SerialPorts::DevicePath(c.name), c.path) << c.name;
}

TEST(Win32SerialDevice, CarriesAThousandChangesToTheDevice)
{
    NEEDS_SIMULATED_PORTS();
    TComLink com;
    ASSERT_EQ(com.Link.ComOpen(com.Handle, "COM12"), TComResult::ComOk);
    TLineSettings settings;
    ASSERT_TRUE(com.Handle->GetLineSettings(settings));
    EXPECT_EQ(settings, (TLineSettings{TBaudRate::Baud57600, TDataBits::Eight, TParity::None, TStopBits::One}));

    std::vector<std::string> expected;
    for (int i = 0; i < 1000; ++i) {
        const auto output = static_cast<std::uint8_t>(i);
        const auto level = static_cast<std::uint8_t>(i * 7 + i / 256);
        ASSERT_EQ(com.Link.ComSendContact(com.Handle, output, level), TComResult::ComOk) << i;
        expected.push_back(std::to_string(output) + " " + std::to_string(level));
    }
    EXPECT_EQ(com.Link.ComClose(com.Handle), TComResult::ComOk);

    // The simulator logs each change before it acknowledges it.
    const std::vector<std::string> accepted = Accepted("COM12");
    ASSERT_GE(accepted.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(accepted.end() - 1000, accepted.end()), expected);
}

TEST(Win32SerialDevice, AQuietLineTimesOutEachReadWithoutFailing)
{
    NEEDS_SIMULATED_PORTS();
    TComLink com;
    ASSERT_EQ(com.Link.ComOpen(com.Handle, "COM12"), TComResult::ComOk);
    for (int i = 0; i < 3; ++i) {
        std::uint8_t answer = 0;
        const auto start = Clock::now();
        EXPECT_EQ(com.Handle->ReadByte(answer), TReadResult::TimedOut);
        // 60 ms by the time-outs, give or take wine's timer; not at once.
        EXPECT_GE(Clock::now() - start, 40ms);
    }
}

TEST(Win32SerialDevice, StaleBytesArePurgedAndAnAnswerThatNeverComesRunsOutTheSecond)
{
    NEEDS_SIMULATED_PORTS();
    TComLink com;
    ASSERT_EQ(com.Link.ComOpen(com.Handle, "COM13"), TComResult::ComOk);
    const std::size_t before = Accepted("COM13").size();
    // A start byte of an earlier change leaves the device's answer waiting
    // in the receive queue; the device takes its output and level and, being
    // the kind that never acknowledges a level, says no more.
    ASSERT_TRUE(com.Handle->WriteByte(0x1A));
    const auto asked = Clock::now();
    while (QueuedInput(com.Handle) < 1 && Clock::now() - asked < 60s)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(QueuedInput(com.Handle), 1);
    ASSERT_TRUE(com.Handle->WriteByte(1));
    ASSERT_TRUE(com.Handle->WriteByte(2));
    // The purge below would drop what the device has not read yet.
    const auto sent = Clock::now();
    while (Accepted("COM13").size() == before && Clock::now() - sent < 60s)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(Accepted("COM13").size(), before + 1);
    ASSERT_EQ(Accepted("COM13").back(), "1 2");

    // Taken for the answer to the start byte, the stale byte would let the
    // device's real answer pass for the level's.
    const auto start = Clock::now();
    EXPECT_EQ(com.Link.ComSendContact(com.Handle, 3, 4), TComResult::ComErrNotReady);
    EXPECT_GE(Clock::now() - start, 1s);
    EXPECT_EQ(com.Link.ComClose(com.Handle), TComResult::ComOk);
    const std::vector<std::string> accepted = Accepted("COM13");
    ASSERT_GE(accepted.size(), 2u);
    EXPECT_EQ(accepted.back(), "3 4");
}

TEST(Win32SerialPorts, APortNoDeviceHasIsNotFound)
{
    TWin32SerialPorts ports;
    EXPECT_FALSE(ports.Open("COM199"));
    EXPECT_EQ(ports.LastOpenProblem(), TOpenProblem::NotFound);
}

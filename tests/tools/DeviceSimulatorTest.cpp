// The simulator seen from a plain program on its slave side.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "DeviceSimulator.h"
#include "WaitUntil.h"

using namespace std::chrono_literals;

namespace {

class TRawPort {
public:
    explicit TRawPort(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~TRawPort()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    bool Write(std::initializer_list<std::uint8_t> bytes)
    {
        const std::vector<std::uint8_t> data(bytes);
        return write(fd_, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    }
    // The next byte the simulator sent.
    std::optional<std::uint8_t> Read(std::chrono::milliseconds timeout = FailureBound)
    {
        pollfd pfd{fd_, POLLIN, 0};
        std::uint8_t byte = 0;
        if (poll(&pfd, 1, static_cast<int>(timeout.count())) != 1 || read(fd_, &byte, 1) != 1)
            return std::nullopt;
        return byte;
    }

private:
    int fd_;
};

// A stray byte, waited for until the simulator has taken it: it is done with
// everything before it, so any answer to that is already on its way, ahead
// of the next one.
void Settle(TDeviceSimulator& sim, TRawPort& port, std::size_t receivedSoFar)
{
    ASSERT_TRUE(port.Write({0x7F}));
    ASSERT_TRUE(sim.WaitForReceived(receivedSoFar + 1, FailureBound));
}

} // namespace

TEST(DeviceSimulator, AnswersChangesCountsStrayBytesAndDropsHalfChanges)
{
    TDeviceSimulator sim;
    std::vector<TOutputChange> seen;
    sim.Start([&](const TOutputChange& change) { seen.push_back(change); });
    TRawPort port(sim.SlavePath());
    ASSERT_TRUE(port.IsOpen());

    // Stray bytes while idle: counted, not answered.
    ASSERT_TRUE(port.Write({0x01, 0x7F}));
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x01);
    ASSERT_TRUE(port.Write({200, 17}));
    EXPECT_EQ(port.Read(), 0x01);
    ASSERT_TRUE(sim.WaitForChanges(1, FailureBound));
    EXPECT_EQ(sim.Violations(), 2u);
    EXPECT_EQ(sim.Level(200), 17);

    // A host that gives up after the start byte: after the gap (500 ms) the
    // next start byte starts a new change instead of being taken as an
    // output number.
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x01);
    ASSERT_TRUE(WaitUntil([&] { return sim.AbandonedFrames() == 1; }));
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x01);
    ASSERT_TRUE(port.Write({5, 0}));
    EXPECT_EQ(port.Read(), 0x01);
    ASSERT_TRUE(sim.WaitForChanges(2, FailureBound));
    EXPECT_EQ(sim.AbandonedFrames(), 1u);

    sim.Stop();
    const std::vector<TOutputChange> expected = {{200, 17}, {5, 0}};
    EXPECT_EQ(sim.Changes(), expected);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(sim.Received(), (std::vector<std::uint8_t>{0x01, 0x7F, 0x1A, 200, 17, 0x1A, 0x1A, 5, 0}));

    sim.ClearHistory();
    EXPECT_TRUE(sim.Changes().empty());
    EXPECT_EQ(sim.Violations(), 0u);
    EXPECT_EQ(sim.Level(200), 17) << "levels outlive the history";
}

TEST(DeviceSimulator, BehaviourChangesTakeEffectWhileItRuns)
{
    TDeviceSimulator sim;
    sim.Start();
    TRawPort port(sim.SlavePath());
    ASSERT_TRUE(port.IsOpen());

    sim.SetBehaviour({.AnswerByte = 0x00, .AckLevel = false});
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x00);
    ASSERT_TRUE(port.Write({1, 2}));
    Settle(sim, port, 3);

    sim.SetBehaviour({.Delay = 80ms});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x01) << "the level was acknowledged";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 70ms);

    sim.SetBehaviour({.Silent = true, .AnswerByte = 0x55});
    ASSERT_TRUE(port.Write({3, 4}));
    Settle(sim, port, 7);
    sim.SetBehaviour({});
    ASSERT_TRUE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), 0x01) << "the silent device answered";
    EXPECT_EQ(sim.Changes(), (std::vector<TOutputChange>{{1, 2}, {3, 4}}));
}

TEST(DeviceSimulator, ADroppedAcknowledgementIsOneLevelAnswerOnlyAndAHangUpEndsTheLine)
{
    TDeviceSimulator sim({.Behaviour = {.DropLevelAck = 2}});
    sim.Start();
    TRawPort port(sim.SlavePath());
    ASSERT_TRUE(port.IsOpen());

    // The second handshake keeps its level but gets no answer for it; the
    // third is answered as usual.
    for (const std::uint8_t output : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}}) {
        ASSERT_TRUE(port.Write({0x1A}));
        EXPECT_EQ(port.Read(), 0x01);
        ASSERT_TRUE(port.Write({output, 9}));
        if (output == 2) {
            ASSERT_TRUE(sim.WaitForChanges(2, FailureBound));
            Settle(sim, port, 6);
            EXPECT_EQ(port.Read(0ms), std::nullopt) << "the level of handshake 2 was answered";
        } else {
            EXPECT_EQ(port.Read(), 0x01);
        }
    }
    EXPECT_EQ(sim.Changes(), (std::vector<TOutputChange>{{1, 9}, {2, 9}, {3, 9}}));

    // Hung up: the host's side of the line ends.
    sim.HangUp();
    EXPECT_FALSE(port.Write({0x1A}));
    EXPECT_EQ(port.Read(), std::nullopt);
    EXPECT_EQ(sim.Level(3), 9) << "what it took stays readable";
}

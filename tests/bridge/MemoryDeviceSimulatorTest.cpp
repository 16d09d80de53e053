// The in-memory line that stands for a pseudo-terminal on Windows: it must
// hold, hang up and purge as the serial link's tests expect of a real port.

#include <gtest/gtest.h>

#include "MemoryDeviceSimulator.h"
#include "WaitUntil.h"

namespace {

const TCommTimeouts LinkTimeouts{2, 10, 50, 20, 50};

TComHandle OpenPort(TMemorySerialPorts& ports, const std::string& name)
{
    TComHandle port = ports.Open(name);
    if (port) {
        EXPECT_TRUE(port->SetTimeouts(LinkTimeouts));
    }
    return port;
}

// The next byte the device sent, or what the read gave instead.
TReadResult Read(TComHandle& port, std::uint8_t& byte)
{
    TReadResult result = TReadResult::TimedOut;
    EXPECT_TRUE(WaitUntil([&] { return (result = port->ReadByte(byte)) != TReadResult::TimedOut; }));
    return result;
}

}  // namespace

TEST(MemoryDeviceSimulator, CarriesTheHandshakeAndHoldsThePortForOneHandleAtATime)
{
    TMemoryDeviceSimulator sim;
    sim.Start();
    TMemorySerialPorts ports;
    TComHandle port = OpenPort(ports, sim.SlavePath());
    ASSERT_TRUE(port);

    std::uint8_t byte = 0;
    ASSERT_TRUE(port->WriteByte(0x1A));
    ASSERT_EQ(Read(port, byte), TReadResult::Byte);
    EXPECT_EQ(byte, 0x01);
    ASSERT_TRUE(port->WriteByte(7));
    ASSERT_TRUE(port->WriteByte(8));
    ASSERT_EQ(Read(port, byte), TReadResult::Byte);
    EXPECT_EQ(sim.Changes(), (std::vector<TOutputChange>{{7, 8}}));
    EXPECT_EQ(port->ReadByte(byte), TReadResult::TimedOut) << "nothing more to read";

    EXPECT_FALSE(ports.Open(sim.SlavePath()));
    EXPECT_EQ(ports.LastOpenProblem(), TOpenProblem::InUse);
    EXPECT_FALSE(ports.Open("SIM-NONE"));
    EXPECT_EQ(ports.LastOpenProblem(), TOpenProblem::NotFound);
    ASSERT_TRUE(port->Close());
    EXPECT_FALSE(port->WriteByte(1)) << "a closed handle moves nothing";

    // A second name, pointed at one line then another, as a symbolic link.
    TMemoryDeviceSimulator other;
    TMemorySerialPorts::PointName("torem-port", sim.SlavePath());
    EXPECT_TRUE(ports.Open("torem-port"));
    TMemorySerialPorts::PointName("torem-port", other.SlavePath());
    TComHandle viaName = ports.Open("torem-port");
    ASSERT_TRUE(viaName);
    ASSERT_TRUE(other.Send(std::vector<std::uint8_t>{0x42}));
    ASSERT_EQ(Read(viaName, byte), TReadResult::Byte);
    EXPECT_EQ(byte, 0x42);
}

TEST(MemoryDeviceSimulator, PurgeDropsWaitingBytesAndAHangUpEndsThePortAfterWhatCameBefore)
{
    TMemoryDeviceSimulator sim;
    TMemorySerialPorts ports;
    TComHandle port = OpenPort(ports, sim.SlavePath());
    ASSERT_TRUE(port);

    ASSERT_TRUE(sim.Send(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(TMemorySerialPorts::QueuedInput(port), 3);
    ASSERT_TRUE(port->Purge());
    EXPECT_EQ(TMemorySerialPorts::QueuedInput(port), 0);

    ASSERT_TRUE(sim.Send(std::vector<std::uint8_t>{9}));
    sim.HangUp();
    std::uint8_t byte = 0;
    EXPECT_EQ(port->ReadByte(byte), TReadResult::Byte);
    EXPECT_EQ(byte, 9);
    EXPECT_EQ(port->ReadByte(byte), TReadResult::Failed);
    EXPECT_FALSE(port->WriteByte(1));
    EXPECT_FALSE(port->Purge());
    TLineSettings settings;
    EXPECT_FALSE(port->GetLineSettings(settings));
    EXPECT_FALSE(ports.Open(sim.SlavePath()));
    EXPECT_EQ(ports.LastOpenProblem(), TOpenProblem::NotFound);
    EXPECT_FALSE(sim.Send(std::vector<std::uint8_t>{1}));
}

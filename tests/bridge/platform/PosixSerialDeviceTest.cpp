#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "ManualClock.h"
#include "SimulatedLink.h"
#include "StepPump.h"
#include "TempDir.h"

using namespace std::chrono_literals;

namespace {

// Tries to open path from a child process as an ordinary user (root passes
// every exclusive-use check); gives 0 or the errno of the open.
int OpenAsOrdinaryUser(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(255);
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        _exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST(PosixSerialPorts, MapsComNamesAndLeavesOtherNamesAlone)
{
    EXPECT_EQ(TPosixSerialPorts::DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("COM4"), "/dev/ttyS3");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("com9"), "/dev/ttyS8");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("COM0"), "COM0");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("COM10"), "COM10");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("COM"), "COM");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(TPosixSerialPorts::DevicePath("ttyUSB0"), "ttyUSB0");
}

TEST(PosixSerialDevice, OpensARawLineWithoutFlowControlAndBoundedReads)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    TComHandle handle;
    ASSERT_EQ(rig.Link.ComOpen(handle, rig.Sim.SlavePath()), TComResult::ComOk);

    const int fd = dynamic_cast<TPosixSerialDevice&>(*handle).NativeHandle();
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B57600);
    EXPECT_EQ(cfgetispeed(&tio), B57600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | INPCK | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    // Read back in the link's terms.
    TLineSettings settings;
    ASSERT_TRUE(handle->GetLineSettings(settings));
    EXPECT_EQ(settings, (TLineSettings{.BaudRate = TBaudRate::Baud57600, .DataBits = TDataBits::Eight, .Parity = TParity::None,
                                       .StopBits = TStopBits::One}));

    // A one-byte read with nothing to read times out, and not before its 60 ms.
    std::uint8_t byte = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handle->ReadByte(byte), TReadResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 59ms);

    ASSERT_TRUE(rig.Sim.Send(std::vector<std::uint8_t>{0xFF}));
    ASSERT_TRUE(WaitForQueuedInput(handle, 1));
    EXPECT_EQ(handle->ReadByte(byte), TReadResult::Byte);
    EXPECT_EQ(byte, 0xFF);
}

TEST(PosixSerialDevice, ReportsWhatAPreviousUserLeftAndClearsItsFlowControlButKeepsItsCharacters)
{
    TSimulatedLink rig({.Behaviour = {.Silent = true}});
    {
        // A previous user's line: 9600 baud, two stop bits, hardware and
        // XON/XOFF flow control, parity check, its own XON and XOFF
        // characters (a pseudo-terminal keeps all these, but forces 8 data
        // bits and no parity).
        const int fd = open(rig.Sim.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(fd, &tio), 0);
        cfsetspeed(&tio, B9600);
        tio.c_cflag |= CSTOPB | CRTSCTS;
        tio.c_iflag |= IXON | IXOFF | INPCK;
        tio.c_cc[VSTART] = 0x05;
        tio.c_cc[VSTOP] = 0x06;
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
        close(fd);
    }

    TComHandle handle = rig.Ports.Open(rig.Sim.SlavePath());
    ASSERT_TRUE(handle);
    TLineSettings reported;
    ASSERT_TRUE(handle->GetLineSettings(reported));
    EXPECT_EQ(reported, (TLineSettings{.BaudRate = TBaudRate::Baud9600, .DataBits = TDataBits::Eight, .Parity = TParity::None,
                                       .StopBits = TStopBits::Two}));

    // Refused without a change: mark parity and one and a half stop bits
    // have no termios form.
    TLineSettings unusable = reported;
    unusable.Parity = TParity::Mark;
    EXPECT_FALSE(handle->SetLineSettings(unusable));
    unusable = reported;
    unusable.StopBits = TStopBits::OneAndHalf;
    EXPECT_FALSE(handle->SetLineSettings(unusable));
    TLineSettings unchanged;
    ASSERT_TRUE(handle->GetLineSettings(unchanged));
    EXPECT_EQ(unchanged, reported);

    const TLineSettings link{.BaudRate = TBaudRate::Baud57600, .DataBits = TDataBits::Eight, .Parity = TParity::None,
                             .StopBits = TStopBits::One};
    ASSERT_TRUE(handle->SetLineSettings(link));
    ASSERT_TRUE(handle->GetLineSettings(reported));
    EXPECT_EQ(reported, link);

    const int fd = dynamic_cast<TPosixSerialDevice&>(*handle).NativeHandle();
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | INPCK), 0u);
    EXPECT_EQ(tio.c_cc[VSTART], 0x05);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x06);
}

TEST(PosixSerialDevice, AFileThatIsNoSerialPortIsReleasedAfterItsSetUpFails)
{
    TTempDir dir;
    const std::string path = dir.File("not-a-port");
    WriteFileBytes(path, "keep me");
    TPosixSerialPorts ports;
    TManualClock clock;
    TStepPump pump;
    TRs232Link link(ports, clock, pump);

    TComHandle handle;
    EXPECT_EQ(link.ComOpen(handle, path), TComResult::ComErrGetParams);
    EXPECT_FALSE(handle);
    EXPECT_EQ(link.ComOpen(handle, path), TComResult::ComErrGetParams) << "not left locked";
    EXPECT_EQ(ReadFileBytes(path), "keep me");
}

TEST(PosixSerialDevice, KeepsOrdinaryUsersOutWhileHeldAndLetsThemInAfterwards)
{
    TSimulatedLink rig;
    ASSERT_EQ(chmod(rig.Sim.SlavePath().c_str(), 0666), 0);
    TComHandle handle;
    ASSERT_EQ(rig.Link.ComOpen(handle, rig.Sim.SlavePath()), TComResult::ComOk);
    EXPECT_EQ(OpenAsOrdinaryUser(rig.Sim.SlavePath()), EBUSY);

    // The simulator keeps the pseudo-terminal alive, and with it the
    // exclusive flag, unless closing clears it.
    ASSERT_EQ(rig.Link.ComClose(handle), TComResult::ComOk);
    EXPECT_EQ(OpenAsOrdinaryUser(rig.Sim.SlavePath()), 0);
}

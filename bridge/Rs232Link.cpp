#include "Rs232Link.h"

namespace {

// 57600 baud, 8 data bits, no parity, one stop bit; the devices add no flow
// control and hold DTR and RTS off.
constexpr TLineSettings LinkLine{
    .BaudRate = TRs232Link::BaudRate,
    .DataBits = TDataBits::Eight,
    .Parity = TParity::None,
    .StopBits = TStopBits::One,
};

// One byte per call: a read returns within 10 * 1 + 50 = 60 ms, a write
// within 20 * 1 + 50 = 70 ms, so the acknowledgement wait gets back to
// processing messages often.
constexpr TCommTimeouts LinkTimeouts{
    .ReadIntervalTimeout = 2,
    .ReadTotalTimeoutMultiplier = 10,
    .ReadTotalTimeoutConstant = 50,
    .WriteTotalTimeoutMultiplier = 20,
    .WriteTotalTimeoutConstant = 50,
};

// Set-up after a successful open; the first failing step gives its code.
TComResult SetUpLine(TSerialDevice& device)
{
    // What the driver has is of no use to the link, but a device that cannot
    // even report it is told apart (ComErrGetParams) from one that refuses
    // the link's settings (ComErrSetParams).
    TLineSettings reported;
    if (!device.GetLineSettings(reported))
        return TComResult::ComErrGetParams;
    if (!device.SetLineSettings(LinkLine))
        return TComResult::ComErrSetParams;

    if (!device.SetTimeouts(LinkTimeouts))
        return TComResult::ComErrTimeouts;
    return TComResult::ComOk;
}

} // namespace

TRs232Link::TRs232Link(TSerialPorts& ports, TAckClock& ackClock, TMessagePump& pump)
    : ports_(ports), ackClock_(ackClock), pump_(pump)
{
}

TComResult TRs232Link::ComOpen(TComHandle& handle, const std::string& portName)
{
    // A wait that ended with its port (a hang-up) leaves the clock running;
    // the first wait on a fresh port must have its whole second.
    ackClock_.Stop();
    handle = ports_.Open(portName);
    if (!handle)
        return TComResult::ComErrOpen;

    TComResult result = SetUpLine(*handle);
    if (result == TComResult::ComOk)
        result = ComPurge(handle);
    if (result != TComResult::ComOk) {
        // A half set-up port is of no use to the caller, and holding it
        // would make every later open of it fail.
        (void)handle->Close();
        handle.reset();
    }
    return result;
}

TComResult TRs232Link::ComClose(TComHandle& handle)
{
    if (!handle)
        return TComResult::ComErrClose;
    const bool closed = handle->Close();
    handle.reset();
    return closed ? TComResult::ComOk : TComResult::ComErrClose;
}

TComResult TRs232Link::ComPurge(TComHandle& handle)
{
    if (!handle || !handle->Purge())
        return TComResult::ComErrInit;
    return TComResult::ComOk;
}

TComResult TRs232Link::ComWriteByte(TComHandle& handle, std::uint8_t byte)
{
    if (!handle || !handle->WriteByte(byte))
        return TComResult::ComErrWrite;
    return TComResult::ComOk;
}

TComResult TRs232Link::ComWriteByteWaitAck(TComHandle& handle, std::uint8_t byte)
{
    if (ComWriteByte(handle, byte) != TComResult::ComOk)
        return TComResult::ComErrWrite;

    // Handlers run nested in the wait and may close the port or open another
    // one into the same handle; reading from anything but the device the
    // byte went to is a failed read.
    TSerialDevice* const device = handle.get();
    std::uint8_t answer = 0;
    ComStartAckTimer();
    while (answer != AckByte) {
        if (handle.get() != device)
            return TComResult::ComErrRead;
        std::uint8_t received = 0;
        switch (device->ReadByte(received)) {
        case TReadResult::Byte:
            answer = received;
            break;
        case TReadResult::TimedOut:
            break;
        case TReadResult::Failed:
            return TComResult::ComErrRead;
        }
        pump_.ProcessMessages();
        // Tested before the answer: an acknowledgement that comes with the
        // clock's end is too late.
        if (!ackClock_.Enabled())
            return TComResult::ComErrNotReady;
    }
    ackClock_.Stop();
    return TComResult::ComOk;
}

TComResult TRs232Link::ComSendContact(TComHandle& handle, std::uint8_t output, std::uint8_t level)
{
    if (ComPurge(handle) != TComResult::ComOk)
        return TComResult::ComErrInit;
    if (const TComResult result = ComWriteByteWaitAck(handle, StartByte); result != TComResult::ComOk)
        return result;
    if (ComWriteByte(handle, output) != TComResult::ComOk)
        return TComResult::ComErrWrite;
    return ComWriteByteWaitAck(handle, level);
}

void TRs232Link::ComStartAckTimer()
{
    ackClock_.Start();
}

#pragma once
// The serial link to the TOREM device: opens a port by name with the one line
// setup the device needs, and delivers one output change per handshake:
//
//   host -> device  0x1A            start of a change
//   device -> host  0x01            ready
//   host -> device  output, level   two bytes, no wait between them
//   device -> host  0x01            change accepted
//
// Every operation returns a TComResult and never throws. The link holds no
// state of its own: the caller owns the port handle and passes it in. All I/O
// is synchronous; the acknowledgement waits keep calling the message pump, so
// other handlers of the program (timers, MIDI notifications, menu commands)
// can run nested inside ComWriteByteWaitAck and ComSendContact.

#include <cstdint>
#include <string>

#include "AckClock.h"
#include "MessagePump.h"
#include "SerialDevice.h"

// The numeric value of each code is the index of its text in the COM message
// table, so the codes must keep these values.
enum class TComResult : std::uint8_t {
    ComOk = 0,        // success
    ComErrInit,       // emptying the driver queues failed
    ComErrWrite,      // a write failed
    ComErrRead,       // a read failed (error, hang-up, adapter gone)
    ComErrOpen,       // the device could not be opened (absent, or held by someone)
    ComErrGetParams,  // reading the current line settings failed
    ComErrSetParams,  // applying the line settings failed
    ComErrTimeouts,   // applying the time-outs failed
    ComErrClose,      // closing failed, or there was nothing to close
    ComErrNotReady,   // the device did not acknowledge before the clock ran out
};

class TRs232Link {
public:
    // Line setup applied by ComOpen.
    static constexpr TBaudRate BaudRate = TBaudRate::Baud57600;
    static constexpr std::uint8_t StartByte = 0x1A;
    static constexpr std::uint8_t AckByte = 0x01;

    // ackClock is the one-shot clock (1000 ms) that bounds each
    // acknowledgement wait; pump processes pending messages during the wait.
    // All three must outlive the link.
    TRs232Link(TSerialPorts& ports, TAckClock& ackClock, TMessagePump& pump);

    // Opens portName ("COM1".."COM4" as the user chose it; see the platform's
    // TSerialPorts for other names) for exclusive use and sets it up: 57600
    // baud, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS
    // off, one-byte reads bounded to 60 ms and writes to 70 ms; then purges.
    // Returns ComOk, ComErrOpen, ComErrGetParams, ComErrSetParams,
    // ComErrTimeouts or ComErrInit. The result of the open is stored in handle
    // at once, releasing whatever it held; after ComErrOpen it is empty. When
    // a set-up step after the open fails, the device is closed again and the
    // handle emptied, so the port is not left held. The acknowledgement clock
    // is stopped first.
    TComResult ComOpen(TComHandle& handle, const std::string& portName);

    // Closes the device and empties the handle (also when closing reports a
    // failure: the device is not usable afterwards). ComOk or ComErrClose;
    // an empty handle gives ComErrClose.
    TComResult ComClose(TComHandle& handle);

    // Aborts pending transfers and discards both driver queues. ComOk or
    // ComErrInit.
    TComResult ComPurge(TComHandle& handle);

    // Writes one byte. ComOk or ComErrWrite. A write that times out without
    // an error counts as done, as the driver reports it.
    TComResult ComWriteByte(TComHandle& handle, std::uint8_t byte);

    // Writes one byte, starts the acknowledgement clock and reads single
    // bytes, processing pending messages after each read, until 0x01 arrives
    // (ComOk; the clock is stopped) or the clock has run out (ComErrNotReady,
    // also when 0x01 was read in that very pass). Other bytes are ignored.
    // ComErrWrite when the write fails; ComErrRead when a read fails or a
    // nested handler closed or replaced the handle (the clock is then left to
    // run out by itself).
    TComResult ComWriteByteWaitAck(TComHandle& handle, std::uint8_t byte);

    // Delivers one output change: purge, start byte with acknowledgement,
    // output number, level with acknowledgement. ComOk, ComErrInit,
    // ComErrWrite, ComErrRead or ComErrNotReady; a failed step leaves the
    // rest of the change unsent.
    TComResult ComSendContact(TComHandle& handle, std::uint8_t output, std::uint8_t level);

    // Arms the acknowledgement clock.
    void ComStartAckTimer();

    // Why the last ComOpen could not open the device (after ComErrOpen).
    TOpenProblem LastOpenProblem() const { return ports_.LastOpenProblem(); }

private:
    TSerialPorts& ports_;
    TAckClock& ackClock_;
    TMessagePump& pump_;
};

// The code as a number, e.g. to select its text.
constexpr std::uint8_t ComResultCode(TComResult result)
{
    return static_cast<std::uint8_t>(result);
}

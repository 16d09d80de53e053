#pragma once
// The live bridge: every note-on and note-off of MIDI channels 1 and 2 from
// the MIDI input becomes an (output number, level) item, queued and sent at
// once over the serial link, one acknowledged handshake per item.
//
// Everything runs on the owner's (user interface) thread. The acknowledgement
// wait and every warning box process pending messages, so a MIDI notification
// can arrive while a send is in progress: it queues its item and the running
// SendQueue sends it, in arrival order, never two handshakes at once.

#include <cstdint>

#include "ActivityIndicator.h"
#include "AppSettings.h"
#include "Dialogs.h"
#include "MidiIn.h"
#include "Rs232Link.h"

class TLiveBridge {
public:
    // Nominal size of the send queue; not enforced.
    static constexpr std::size_t NominalQueueSize = 4096;

    // Becomes midiInput's OnMidiInput handler. All references must outlive
    // the bridge.
    TLiveBridge(AppSettings& settings, TMidiInput& midiInput, TRs232Link& link, TDialogs& dialogs,
                TActivityIndicator& indicator);
    ~TLiveBridge();
    TLiveBridge(const TLiveBridge&) = delete;
    TLiveBridge& operator=(const TLiveBridge&) = delete;

    // Opens ComPortName; ComPortOpen is set on success, else cleared (the link
    // releases the handle) and the code's text is shown. Returns the link's code.
    TComResult OpenComPort();
    // Closes the port and clears ComPortOpen; warns when closing failed.
    TComResult CloseComPort();

    // Selects MidiInPortName (EMidiInputError when no device has that name),
    // opens and starts it; nothing when the name is empty.
    void OpenMidiInPort();
    // Stops and closes the MIDI input when the bridge opened it.
    void CloseMidiInPort();
    void ReopenMidiInPort();

    // The MIDI input's notification: one event fetched, translated and sent.
    void MidiInput1MidiInput();
    // Appends an item; true while the queue holds at most NominalQueueSize.
    bool QueueOutput(std::uint8_t output, std::uint8_t level);
    // Sends the queued items in order; the code of the last send.
    TComResult SendQueue();
    // The indicator's clock ran out: dark again.
    void Timer2Timer();

    // From now on MIDI notifications are fetched and dropped, and a send the
    // window's close interrupted ends quietly with the queue discarded
    // (shut-down).
    void BeginShutdown() { shuttingDown_ = true; }

    // The output number of a note: channel bank (channel 2 adds 128) and
    // transposition by whole octaves, in 8-bit arithmetic that wraps.
    static std::uint8_t OutputNumber(std::uint8_t status, std::uint8_t note, std::uint8_t transposeIndex);
    // The level of a note-on: 0 for velocity 0, else 2v + 1 (Proportional)
    // or 255 (Dry contact).
    static std::uint8_t NoteOnLevel(std::uint8_t velocity, std::uint8_t midiMode);

private:
    void Warn(TComResult code);
    void DropQueue();

    AppSettings& settings_;
    TMidiInput& midiInput_;
    TRs232Link& link_;
    TDialogs& dialogs_;
    TActivityIndicator& indicator_;
    bool warningOnScreen_ = false;
    bool shuttingDown_ = false;
};

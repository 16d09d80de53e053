#include "LiveBridge.h"

#include <exception>

#include "Text.h"

TLiveBridge::TLiveBridge(AppSettings& settings, TMidiInput& midiInput, TRs232Link& link, TDialogs& dialogs,
                         TActivityIndicator& indicator)
    : settings_(settings), midiInput_(midiInput), link_(link), dialogs_(dialogs), indicator_(indicator)
{
    midiInput_.SetOnMidiInput([this](TMidiInput&) { MidiInput1MidiInput(); });
}

TLiveBridge::~TLiveBridge()
{
    midiInput_.SetOnMidiInput({});
}

void TLiveBridge::Warn(TComResult code)
{
    // A warning box keeps processing messages; events arriving meanwhile
    // must not open a box of their own on top of it.
    if (warningOnScreen_)
        return;
    warningOnScreen_ = true;
    try {
        dialogs_.Warning(settings_.ComPortName + " : " +
                         Text(TTextTable::ComMessages, settings_.LanguageIndex, ComResultCode(code)));
    } catch (...) {
        warningOnScreen_ = false;
        throw;
    }
    warningOnScreen_ = false;
}

TComResult TLiveBridge::OpenComPort()
{
    const TComResult code = link_.ComOpen(settings_.ComPortHandle, settings_.ComPortName);
    // The link releases what the handle held even when the open fails, so
    // the flag follows the handle: a port marked open with nothing behind it
    // would turn every note into a write error.
    settings_.ComPortOpen = static_cast<bool>(settings_.ComPortHandle);
    if (code != TComResult::ComOk)
        Warn(code);
    return code;
}

TComResult TLiveBridge::CloseComPort()
{
    const TComResult code = link_.ComClose(settings_.ComPortHandle);
    // A failed close still leaves nothing usable behind the handle; keeping
    // the port marked open would only repeat the closing error at the next
    // port change and at shut-down.
    settings_.ComPortOpen = static_cast<bool>(settings_.ComPortHandle);
    if (code != TComResult::ComOk)
        Warn(code);
    return code;
}

void TLiveBridge::OpenMidiInPort()
{
    if (settings_.MidiInPortName.empty())
        return;
    midiInput_.SetProductName(settings_.MidiInPortName);
    midiInput_.Open();
    settings_.MidiInOpen = true;
    midiInput_.Start();
}

void TLiveBridge::CloseMidiInPort()
{
    if (!settings_.MidiInOpen)
        return;
    // Close even when Stop fails, so the device is never left held.
    std::exception_ptr failure;
    try {
        midiInput_.Stop();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        midiInput_.Close();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    settings_.MidiInOpen = false;
    if (failure)
        std::rethrow_exception(failure);
}

void TLiveBridge::ReopenMidiInPort()
{
    CloseMidiInPort();
    OpenMidiInPort();
}

std::uint8_t TLiveBridge::OutputNumber(std::uint8_t status, std::uint8_t note, std::uint8_t transposeIndex)
{
    const unsigned bank = (status == 0x91 || status == 0x81) ? 128u : 0u;
    // Outside 1..9 (a hand-edited settings file) the menus show "None".
    const int octaves = (transposeIndex >= 1 && transposeIndex <= 9) ? transposeIndex - 5 : 0;
    return static_cast<std::uint8_t>(static_cast<unsigned>(octaves * 12) + note + bank);
}

std::uint8_t TLiveBridge::NoteOnLevel(std::uint8_t velocity, std::uint8_t midiMode)
{
    if (velocity == 0)
        return 0;
    if (midiMode == MidiModeValue::DryContact)
        return 255;
    return static_cast<std::uint8_t>(velocity * 2u + 1u);
}

void TLiveBridge::MidiInput1MidiInput()
{
    if (shuttingDown_) {
        midiInput_.GetMidiEvent();
        return;
    }
    if (!settings_.ComPortOpen) {
        // Dropped rather than left in the ring: opening the port later must
        // not replay notes that belong to a moment that has passed.
        midiInput_.GetMidiEvent();
        Warn(TComResult::ComErrInit);
        return;
    }

    indicator_.SetLit(true);
    indicator_.RestartClock();

    settings_.CurrentEvent = midiInput_.GetMidiEvent();
    if (!settings_.CurrentEvent)
        return;
    // A nested notification during SendQueue replaces CurrentEvent; this
    // call works on its own copy.
    const TMyMidiEvent event = *settings_.CurrentEvent;
    const std::uint8_t output = OutputNumber(event.Status, event.Data1, settings_.TransposeIndex);

    switch (event.Status) {
    case 0x90:
    case 0x91:
        QueueOutput(output, NoteOnLevel(event.Data2, settings_.MidiMode));
        SendQueue();
        break;
    case 0x80:
    case 0x81:
        QueueOutput(output, 0);
        SendQueue();
        break;
    default:
        break;  // other channels and messages: only the indicator lit
    }
}

bool TLiveBridge::QueueOutput(std::uint8_t output, std::uint8_t level)
{
    settings_.QueueBusy = true;
    TMidiEventToRS232 contact;
    contact.Contact = output;
    settings_.SendContacts.push_back(contact);
    TMidiEventToRS232 value;
    value.Value = level;
    settings_.SendValues.push_back(value);
    settings_.QueueBusy = false;
    return settings_.SendContacts.size() <= NominalQueueSize;
}

void TLiveBridge::DropQueue()
{
    settings_.SendContacts.clear();
    settings_.SendValues.clear();
}

TComResult TLiveBridge::SendQueue()
{
    // A SendQueue further up the call stack sends what was just queued.
    if (settings_.SendBusy)
        return TComResult::ComOk;

    // A handler that throws inside the acknowledgement wait unwinds through
    // here; SendBusy left set would stop every later send of the run.
    struct TBusyReset {
        bool& busy;
        ~TBusyReset() { busy = false; }
    } busyReset{settings_.SendBusy};

    TComResult result = TComResult::ComOk;
    while (!settings_.SendContacts.empty() && !settings_.QueueBusy) {
        if (shuttingDown_) {
            // The window closed inside a wait: what is left is discarded.
            DropQueue();
            break;
        }
        settings_.SendBusy = true;
        const std::uint8_t output = settings_.SendContacts.front().Contact;
        const std::uint8_t level = settings_.SendValues.front().Value;
        settings_.SendContacts.pop_front();
        settings_.SendValues.pop_front();
        result = link_.ComSendContact(settings_.ComPortHandle, output, level);
        if (result != TComResult::ComOk) {
            // The device did not take the change: what is still queued
            // belongs to a moment that has passed. Drop it, also what arrives
            // while the warning is on screen, then send new notes normally.
            // A send cut short by the window's shut-down is not worth a box.
            DropQueue();
            if (!shuttingDown_)
                Warn(TComResult::ComErrWrite);
            DropQueue();
            settings_.SendBusy = false;
            return result;
        }
        settings_.SendBusy = false;
    }
    return result;
}

void TLiveBridge::Timer2Timer()
{
    indicator_.StopClock();
    indicator_.SetLit(false);
}

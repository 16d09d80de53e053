#include "LiveBridge.h"

#include <algorithm>
#include <exception>

#include "MidiStatus.h"
#include "Text.h"

namespace {

// The message of a serial link result is the entry of its code.
constexpr ComMessageEntry ComMessage(TComResult code)
{
    return static_cast<ComMessageEntry>(ComResultCode(code));
}
static_assert(ComMessage(TComResult::ComOk) == ComMessageEntry::ComOk);
static_assert(ComMessage(TComResult::ComErrOpen) == ComMessageEntry::ComErrOpen);
static_assert(ComMessage(TComResult::ComErrNotReady) == ComMessageEntry::ComErrNotReady);

// A failed read, write or purge means the device behind the handle is gone
// (hang-up, adapter unplugged); a missing answer means it is there but did
// not take the change.
bool PortIsGone(TComResult code)
{
    return code == TComResult::ComErrRead || code == TComResult::ComErrWrite || code == TComResult::ComErrInit;
}

TLinkProblem ProblemOf(TOpenProblem problem)
{
    switch (problem) {
    case TOpenProblem::NotFound:
        return TLinkProblem::NotFound;
    case TOpenProblem::InUse:
        return TLinkProblem::InUse;
    case TOpenProblem::PermissionDenied:
        return TLinkProblem::PermissionDenied;
    case TOpenProblem::None:
    case TOpenProblem::Other:
        break;
    }
    return TLinkProblem::Failed;
}

TLinkProblem ProblemOfMidiCode(TMidiResult code)
{
    switch (code) {
    case MidiResult::Allocated:
        return TLinkProblem::InUse;
    case MidiResult::BadDeviceId:
        return TLinkProblem::NotFound;
    default:
        return TLinkProblem::Failed;
    }
}

}  // namespace

TLiveBridge::TLiveBridge(AppSettings& settings, TMidiInput& midiInput, TRs232Link& link, TDialogs& dialogs,
                         TActivityIndicator& indicator, TClocks clocks)
    : settings_(settings), midiInput_(midiInput), link_(link), dialogs_(dialogs), indicator_(indicator),
      clocks_(clocks)
{
    acked_.fill(Unknown);
    midiInput_.SetOnMidiInput([this](TMidiInput&) { MidiInput1MidiInput(); });
}

TLiveBridge::~TLiveBridge()
{
    midiInput_.SetOnMidiInput({});
    clocks_.Watch.Stop();
    clocks_.Drain.Stop();
}

void TLiveBridge::StartWatching()
{
    clocks_.Watch.Start(WatchInterval);
}

void TLiveBridge::BeginShutdown()
{
    shuttingDown_ = true;
    clocks_.Watch.Stop();
    clocks_.Drain.Stop();
}

void TLiveBridge::WarnNoWait(TComResult code)
{
    dialogs_.WarningNoWait(settings_.ComPortName + " : " +
                           Text(ComMessage(code), settings_.LanguageIndex));
}

void TLiveBridge::SetComStatus(TLinkStatus status)
{
    if (status == comStatus_)
        return;
    comStatus_ = status;
    if (onStatusChanged_)
        onStatusChanged_();
}

void TLiveBridge::SetMidiStatus(TLinkStatus status)
{
    if (status == midiStatus_)
        return;
    midiStatus_ = status;
    if (onStatusChanged_)
        onStatusChanged_();
}

// ---------------------------------------------------------------------------
// The serial port

TComResult TLiveBridge::OpenComPort()
{
    return OpenPort(true);
}

TComResult TLiveBridge::OpenPort(bool warnOnFailure)
{
    // No port chosen (a first start): nothing is opened, nothing warned.
    if (settings_.ComPortName.empty()) {
        SetComStatus({});
        return TComResult::ComOk;
    }
    const TComResult code = link_.ComOpen(settings_.ComPortHandle, settings_.ComPortName);
    // The link releases what the handle held even when the open fails, so
    // the flag follows the handle: a port marked open with nothing behind it
    // would turn every note into a write error.
    settings_.ComPortOpen = static_cast<bool>(settings_.ComPortHandle);
    if (code != TComResult::ComOk) {
        // While a lost port is tried again, it stays shown as lost.
        if (warnOnFailure || comStatus_.Problem != TLinkProblem::Lost)
            SetComStatus({false, code == TComResult::ComErrOpen ? ProblemOf(link_.LastOpenProblem())
                                                                : TLinkProblem::Failed});
        if (warnOnFailure) {
            warnedClosed_ = false;  // a new spell of the port being closed
            WarnNoWait(code);
        }
        return code;
    }
    ++revision_;
    // A fresh port says nothing of what the device holds: the outputs this
    // run drove are sent again, the others are left as the device has them.
    acked_.fill(Unknown);
    retryDue_ = false;
    failuresInARow_ = 0;
    warnedClosed_ = false;
    if (!warnOnFailure)
        ++figures_.Reconnections;
    ForgetQueue();
    Resync();
    SetComStatus({true, TLinkProblem::None});
    SendQueue();
    return code;
}

TComResult TLiveBridge::CloseComPort()
{
    ForgetQueue();
    const TComResult code = link_.ComClose(settings_.ComPortHandle);
    // A failed close still leaves nothing usable behind the handle; keeping
    // the port marked open would only repeat the closing error at the next
    // port change and at shut-down.
    settings_.ComPortOpen = static_cast<bool>(settings_.ComPortHandle);
    warnedClosed_ = false;
    SetComStatus({false, TLinkProblem::None});
    if (code != TComResult::ComOk)
        WarnNoWait(code);
    return code;
}

void TLiveBridge::PortLost()
{
    ForgetQueue();
    (void)link_.ComClose(settings_.ComPortHandle);
    settings_.ComPortOpen = false;
    // Whatever the device holds now, nobody can tell.
    acked_.fill(Unknown);
    warnedClosed_ = false;
    failuresInARow_ = 0;
    SetComStatus({false, TLinkProblem::Lost});
}

// ---------------------------------------------------------------------------
// The MIDI input device

void TLiveBridge::OpenMidiInPort()
{
    const std::string& name = settings_.MidiInPortName;
    if (name.empty()) {
        SetMidiStatus({});
        return;
    }
    const std::vector<std::string> names = midiInput_.DeviceNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        // Kept, not forgotten: the watch opens it when it appears.
        SetMidiStatus({false, TLinkProblem::NotFound});
        return;
    }
    midiInput_.SetProductName(name);
    midiInput_.Open();
    settings_.MidiInOpen = true;
    midiInput_.Start();
    SetMidiStatus(midiInput_.IsOpen() ? TLinkStatus{true, TLinkProblem::None}
                                      : TLinkStatus{false, ProblemOfMidiCode(midiInput_.Error())});
}

void TLiveBridge::CloseMidiInPort()
{
    if (settings_.MidiInOpen)
        CloseMidiInput();
    SetMidiStatus({});
}

void TLiveBridge::CloseMidiInput()
{
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

void TLiveBridge::WatchMidiInput()
{
    const std::string& name = settings_.MidiInPortName;
    if (name.empty())
        return;
    const std::vector<std::string> names = midiInput_.DeviceNames();
    const bool present = std::find(names.begin(), names.end(), name) != names.end();
    if (midiInput_.IsOpen()) {
        if (present)
            return;
        // Its notes can no longer come; closing frees it for when it returns.
        try {
            CloseMidiInput();
        } catch (const EMidiInputError&) {
            // A device that is gone may fail to close; it is closed for us.
        }
        SetMidiStatus({false, TLinkProblem::Lost});
        // Nor can the note-offs of the notes it held: what they lit goes off.
        const std::uint64_t released = SwitchOffChannel(0) + SwitchOffChannel(1);
        if (released != 0) {
            figures_.ReleasedNotes += released;
            SendQueue();
            if (onNotesReleased_)
                onNotesReleased_(released);
        }
        return;
    }
    if (!present) {
        if (midiStatus_.Problem != TLinkProblem::Lost)
            SetMidiStatus({false, TLinkProblem::NotFound});
        return;
    }
    const bool wasLost = midiStatus_.Problem == TLinkProblem::Lost;
    if (settings_.MidiInOpen)
        CloseMidiInput();  // opened earlier, but the device never really opened
    OpenMidiInPort();
    if (!midiInput_.IsOpen() && wasLost && midiStatus_.Problem == TLinkProblem::NotFound)
        SetMidiStatus({false, TLinkProblem::Lost});
}

// ---------------------------------------------------------------------------
// Notes to output changes

std::uint8_t TLiveBridge::OutputNumber(std::uint8_t status, std::uint8_t note, std::uint8_t transposeIndex)
{
    const bool channel2 = status == MidiStatus::OnChannel(MidiStatus::NoteOn, 1) ||
                          status == MidiStatus::OnChannel(MidiStatus::NoteOff, 1);
    const unsigned bank = channel2 ? 128u : 0u;
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
    const bool portOpen = settings_.ComPortOpen;
    if (!portOpen) {
        // Warned once for each spell of the port being closed, not for every
        // note: the user must still reach the menus while notes come in.
        if (!warnedClosed_ && !settings_.ComPortName.empty()) {
            warnedClosed_ = true;
            WarnNoWait(TComResult::ComErrInit);
        }
    } else {
        indicator_.SetLit(true);
        indicator_.RestartClock();
    }

    settings_.CurrentEvent = midiInput_.GetMidiEvent();
    if (!settings_.CurrentEvent)
        return;
    // A nested notification during SendQueue replaces CurrentEvent; this
    // call works on its own copy. With the port closed the notes still
    // decide what each output wants, which the port gets once it is back.
    const TMyMidiEvent event = *settings_.CurrentEvent;
    Translate(event);
    if (portOpen)
        SendQueue();
}

void TLiveBridge::Translate(const TMyMidiEvent& event)
{
    const std::uint8_t kind = MidiStatus::KindOf(event.Status);
    const unsigned channel = MidiStatus::ChannelOf(event.Status);
    if (channel > 1 || event.Data1 > 127)
        return;  // other channels and messages: only the indicator lit
    std::uint16_t& lit = lit_[channel][event.Data1];
    // How long a note takes to reach the device is counted from here.
    const auto now = std::chrono::steady_clock::now();
    const auto fromNote = [&](std::uint8_t output, std::uint8_t level) {
        wantedAt_[output] = now;
        Want(output, level);
    };

    if (kind == MidiStatus::NoteOn && event.Data2 != 0) {
        const std::uint8_t output = OutputNumber(event.Status, event.Data1, settings_.TransposeIndex);
        // Struck again after a transposition change: one key lights one output.
        if (lit != 0 && lit - 1u != output)
            fromNote(static_cast<std::uint8_t>(lit - 1u), 0);
        lit = static_cast<std::uint16_t>(output + 1u);
        fromNote(output, NoteOnLevel(event.Data2, settings_.MidiMode));
    } else if (kind == MidiStatus::NoteOn || kind == MidiStatus::NoteOff) {
        const std::uint8_t output = lit != 0 ? static_cast<std::uint8_t>(lit - 1u)
                                             : OutputNumber(event.Status, event.Data1, settings_.TransposeIndex);
        lit = 0;
        fromNote(output, 0);
    } else if (kind == MidiStatus::ControlChange &&
               (event.Data1 == MidiController::AllSoundOff || event.Data1 == MidiController::AllNotesOff)) {
        SwitchOffChannel(channel);
    }
}

std::uint64_t TLiveBridge::SwitchOffChannel(unsigned channel)
{
    std::uint64_t notes = 0;
    for (std::uint16_t& lit : lit_[channel]) {
        if (lit != 0) {
            Want(static_cast<std::uint8_t>(lit - 1u), 0);
            ++notes;
        }
        lit = 0;
    }
    return notes;
}

void TLiveBridge::AllOutputsOff()
{
    for (auto& channel : lit_)
        channel.fill(0);
    for (unsigned output = 0; output < 256; ++output)
        if (acked_[output] != 0 || wanted_[output] != 0)
            Want(static_cast<std::uint8_t>(output), 0);
    SendQueue();
}

void TLiveBridge::SendWaiting()
{
    while (!settings_.SendBusy && settings_.ComPortOpen && !retryDue_ && !settings_.SendContacts.empty() &&
           !shuttingDown_) {
        if (SendQueue() != TComResult::ComOk)
            return;
    }
}

// ---------------------------------------------------------------------------
// The send queue

TOutputView TLiveBridge::Output(std::uint8_t output) const
{
    // An output this run never drove is the device's own business.
    if (!driven_.test(output))
        return {0, TOutputAck::Confirmed};
    const auto ack = queued_.test(output) || sending_ == output ? TOutputAck::Waiting
                     : acked_[output] == wanted_[output]        ? TOutputAck::Confirmed
                                                                : TOutputAck::Unconfirmed;
    return {wanted_[output], ack};
}

void TLiveBridge::SetOutput(std::uint8_t output, std::uint8_t level)
{
    wantedAt_[output] = {};
    Want(output, level);
}

void TLiveBridge::Want(std::uint8_t output, std::uint8_t level)
{
    ++revision_;
    // What the device has confirmed and nothing replaces is not sent again:
    // a note-off after its output was switched off changes nothing twice.
    if (acked_[output] == level && wanted_[output] == level && !queued_.test(output)) {
        wantedAt_[output] = {};
        return;
    }
    wanted_[output] = level;
    driven_.set(output);
    if (settings_.ComPortOpen)
        QueueOutput(output, level);
}

bool TLiveBridge::QueueOutput(std::uint8_t output, std::uint8_t level)
{
    settings_.QueueBusy = true;
    wanted_[output] = level;
    driven_.set(output);
    if (queued_.test(output)) {
        ++figures_.Replaced;
        // The newer level replaces the waiting one; the output keeps its place.
        for (std::size_t i = 0; i < settings_.SendContacts.size(); ++i)
            if (settings_.SendContacts[i].Contact == output)
                settings_.SendValues[i].Value = level;
    } else {
        TMidiEventToRS232 contact;
        contact.Contact = output;
        settings_.SendContacts.push_back(contact);
        TMidiEventToRS232 value;
        value.Value = level;
        settings_.SendValues.push_back(value);
        queued_.set(output);
    }
    settings_.QueueBusy = false;
    return settings_.SendContacts.size() <= NominalQueueSize;
}

void TLiveBridge::PutFirst(std::uint8_t output)
{
    TMidiEventToRS232 contact;
    contact.Contact = output;
    settings_.SendContacts.push_front(contact);
    TMidiEventToRS232 value;
    value.Value = wanted_[output];
    settings_.SendValues.push_front(value);
    queued_.set(output);
}

void TLiveBridge::Resync()
{
    resyncDue_ = false;
    // Walked downwards, so that the lowest output ends first in the queue.
    for (int output = 255; output >= 0; --output) {
        const auto o = static_cast<std::size_t>(output);
        if (driven_.test(o) && !queued_.test(o) && acked_[o] != wanted_[o])
            PutFirst(static_cast<std::uint8_t>(output));
    }
}

void TLiveBridge::ForgetQueue()
{
    ++revision_;
    settings_.SendContacts.clear();
    settings_.SendValues.clear();
    queued_.reset();
    clocks_.Drain.Stop();
}

TComResult TLiveBridge::SendQueue()
{
    // A SendQueue further up the call stack sends what was just queued.
    if (settings_.SendBusy || settings_.QueueBusy)
        return TComResult::ComOk;
    if (shuttingDown_ || !settings_.ComPortOpen || retryDue_ || settings_.SendContacts.empty())
        return TComResult::ComOk;

    // A handler that throws inside the acknowledgement wait unwinds through
    // here; SendBusy left set would stop every later send of the run.
    struct TBusyReset {
        bool& busy;
        int& sending;
        ~TBusyReset()
        {
            busy = false;
            sending = -1;
        }
    } busyReset{settings_.SendBusy, sending_};
    settings_.SendBusy = true;

    const std::uint8_t output = settings_.SendContacts.front().Contact;
    const std::uint8_t level = settings_.SendValues.front().Value;
    settings_.SendContacts.pop_front();
    settings_.SendValues.pop_front();
    queued_.reset(output);
    ++figures_.Sent;
    sending_ = output;
    ++revision_;
    const TComResult result = link_.ComSendContact(settings_.ComPortHandle, output, level);
    sending_ = -1;
    ++revision_;

    if (shuttingDown_) {
        // The window closed inside the wait: what is left is discarded.
        ForgetQueue();
        return result;
    }
    if (result == TComResult::ComOk) {
        acked_[output] = level;
        ++figures_.Acknowledged;
        if (wantedAt_[output] != std::chrono::steady_clock::time_point{}) {
            const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - wantedAt_[output]);
            figures_.WorstNoteToDevice = std::max(figures_.WorstNoteToDevice, took);
            wantedAt_[output] = {};
        }
        warnedFailure_ = false;
        failuresInARow_ = 0;
        if (comStatus_.Problem == TLinkProblem::NotAnswering)
            SetComStatus({true, TLinkProblem::None});
        if (resyncDue_)
            Resync();
    } else {
        // The device may or may not have taken it: the output is out of step
        // until a later send tells. It goes first when the device answers.
        acked_[output] = Unknown;
        ++figures_.Unanswered;
        resyncDue_ = true;
        if (!warnedFailure_) {
            warnedFailure_ = true;
            WarnNoWait(TComResult::ComErrWrite);
        }
        if (PortIsGone(result)) {
            PortLost();
            return result;
        }
        if (!queued_.test(output))
            PutFirst(output);
        // One lost answer costs one handshake, not the music of a second:
        // the change is tried again at once. Two in a row: the device does
        // not answer, and the watch tries it about once a second.
        if (++failuresInARow_ >= 2) {
            retryDue_ = true;
            SetComStatus({true, TLinkProblem::NotAnswering});
            return result;
        }
    }
    if (!settings_.SendContacts.empty())
        clocks_.Drain.Start(std::chrono::milliseconds(0));
    return result;
}

// ---------------------------------------------------------------------------
// Clocks

void TLiveBridge::Timer2Timer()
{
    indicator_.StopClock();
    indicator_.SetLit(false);
}

void TLiveBridge::WatchClockRanOut()
{
    if (shuttingDown_)
        return;
    clocks_.Watch.Start(WatchInterval);
    // Never inside a handshake: the port and the device stay as they are
    // while a send waits for its answer.
    if (settings_.SendBusy)
        return;
    if (settings_.ComPortOpen && !settings_.ComPortHandle->StillThere()) {
        // Gone while nothing was sent (device unplugged, switched off): seen
        // now, not at the next note, and opened again by the next tick.
        PortLost();
    } else if (!settings_.ComPortOpen) {
        if (!settings_.ComPortName.empty())
            OpenPort(false);
    } else if (retryDue_) {
        retryDue_ = false;
        SendQueue();
    }
    try {
        WatchMidiInput();
    } catch (const EMidiInputError&) {
        // Tried again at the next tick; a box every second would only hide
        // the window.
        SetMidiStatus({false, TLinkProblem::Failed});
    }
}

void TLiveBridge::DrainClockRanOut()
{
    SendQueue();
}

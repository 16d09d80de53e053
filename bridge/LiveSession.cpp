#include "LiveSession.h"

#include <exception>

#include "Text.h"

TLiveSession::TLiveSession(AppSettings& settings, const TSeams& seams) : settings_(settings), seams_(seams)
{
    link_ = std::make_unique<TRs232Link>(seams.SerialPorts, seams.Loop.AckClock(), seams.Loop.Pump());
    TDialogs& dialogs = seams.Dialogs;
    const auto newInput = [&](TMidiDeviceLayer& layer) {
        auto input = std::make_unique<TMidiInput>(layer, seams.Loop.NewNotificationTarget());
        input->SetCapacity(InputCapacity);
        input->SetSysexBufferSize(SysexBufferSize);
        return input;
    };
    try {
        midiInput_ = newInput(seams.MidiDevices);
    } catch (const std::exception& error) {
        dialogs.Warning(error.what());
        midiInput_ = newInput(noMidiDevices_);
    }
    watchClock_ = seams.Loop.NewClock("WatchTimer", [this] { bridge_->WatchClockRanOut(); });
    drainClock_ = seams.Loop.NewClock("DrainTimer", [this] { bridge_->DrainClockRanOut(); });
    bridge_ = std::make_unique<TLiveBridge>(settings_, *midiInput_, *link_, dialogs, seams.Indicator,
                                            TLiveBridge::TClocks{*watchClock_, *drainClock_});
    bridge_->SetOnStatusChanged([this] { StatusChanged(); });
}

TLiveSession::~TLiveSession()
{
    bridge_->SetOnStatusChanged(nullptr);
    // The bridge lets go of the clocks and of the input before they go.
    bridge_.reset();
}

void TLiveSession::Start()
{
    settings_.ComPortOpen = false;
    bridge_->OpenComPort();
    settings_.MidiInOpen = false;
    // A device that fails to open is tried again like any other.
    std::exception_ptr failure;
    try {
        bridge_->OpenMidiInPort();
    } catch (...) {
        failure = std::current_exception();
    }
    bridge_->StartWatching();
    if (failure)
        std::rethrow_exception(failure);
}

void TLiveSession::SelectComPort(const std::string& name)
{
    if (settings_.ComPortOpen)
        bridge_->CloseComPort();
    settings_.ComPortName = name;
    portOpenings_ = 0;
    bridge_->OpenComPort();
}

void TLiveSession::SelectMidiDevice(const std::string& name)
{
    settings_.MidiInPortName = name;
    deviceOpenings_ = 0;
    bridge_->ReopenMidiInPort();
}

void TLiveSession::BeginShutdown()
{
    bridge_->BeginShutdown();
}

void TLiveSession::Close()
{
    std::exception_ptr failure;
    try {
        bridge_->CloseMidiInPort();
    } catch (...) {
        failure = std::current_exception();
    }
    if (settings_.ComPortOpen)
        bridge_->CloseComPort();
    if (failure)
        std::rethrow_exception(failure);
}

void TLiveSession::StatusChanged()
{
    // Counted as they happen: "open again" is the second opening of the
    // same port, whenever its words are asked for.
    const bool portOpen = PortStatus().Open;
    if (portOpen && !portWasShownOpen_)
        ++portOpenings_;
    portWasShownOpen_ = portOpen;
    const bool deviceOpen = DeviceStatus().Open;
    if (deviceOpen && !deviceWasShownOpen_)
        ++deviceOpenings_;
    deviceWasShownOpen_ = deviceOpen;
    if (onStatusChanged_)
        onStatusChanged_();
}

std::vector<std::string> TLiveSession::PortWords(std::uint8_t language) const
{
    return StateWords(TLinkKind::SerialPort, PortStatus(), portOpenings_ > 1, language);
}

std::vector<std::string> TLiveSession::DeviceWords(std::uint8_t language) const
{
    return StateWords(TLinkKind::MidiDevice, DeviceStatus(), deviceOpenings_ > 1, language);
}

std::vector<std::string> TLiveSession::StateWords(TLinkKind kind, const TLinkStatus& status, bool openAgain,
                                                  std::uint8_t language)
{
    if (status.Open)
        return {Text(openAgain ? StatusEntry::OpenAgain : StatusEntry::Open, language)};
    std::vector<std::string> words;
    switch (status.Problem) {
    case TLinkProblem::None: return {Text(StatusEntry::Closed, language)};
    case TLinkProblem::NotFound: words.push_back(Text(StatusEntry::NotFound, language)); break;
    case TLinkProblem::InUse: words.push_back(Text(StatusEntry::InUse, language)); break;
    case TLinkProblem::PermissionDenied: words.push_back(Text(StatusEntry::PermissionDenied, language)); break;
    case TLinkProblem::Lost: words.push_back(Text(StatusEntry::Lost, language)); break;
    case TLinkProblem::Failed: words.push_back(Text(StatusEntry::Failed, language)); break;
    }
    // A MIDI device that is not there is opened when it comes; a port is
    // tried again, whatever kept it closed.
    const bool waitsForDevice = kind == TLinkKind::MidiDevice &&
                                (status.Problem == TLinkProblem::NotFound || status.Problem == TLinkProblem::Lost);
    words.push_back(Text(waitsForDevice ? StatusEntry::OpensWhenPresent : StatusEntry::Retrying, language));
#if defined(__linux__)
    // Serial devices belong to the dialout group on Linux systems.
    if (kind == TLinkKind::SerialPort && status.Problem == TLinkProblem::PermissionDenied)
        words.push_back(Text(StatusEntry::DialoutHint, language));
#endif
    return words;
}

std::string JoinWords(const std::vector<std::string>& words, const std::string& sep)
{
    std::string joined;
    for (const std::string& word : words) {
        if (!joined.empty())
            joined += sep;
        joined += word;
    }
    return joined;
}

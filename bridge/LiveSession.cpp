#include "LiveSession.h"

#include <cstdio>
#include <ctime>
#include <exception>

#include "Text.h"

// The bridge's boxes that do not wait become lines of the session's board;
// the others go to the owner's dialogs as they are.
class TLiveSession::TBoardDialogs final : public TDialogs {
public:
    TBoardDialogs(TLiveSession& session, TDialogs& dialogs) : session_(session), dialogs_(dialogs) {}
    void Warning(const std::string& text) override { dialogs_.Warning(text); }
    void WarningNoWait(const std::string& text) override { session_.Warned(text); }
    bool WarningNoWaitShown() const override { return dialogs_.WarningNoWaitShown(); }
    void Information(const std::string& text) override { dialogs_.Information(text); }
    bool Confirmation(const std::string& text) override { return dialogs_.Confirmation(text); }

private:
    TLiveSession& session_;
    TDialogs& dialogs_;
};

TLiveSession::TLiveSession(AppSettings& settings, const TSeams& seams)
    : settings_(settings), seams_(seams), boardDialogs_(std::make_unique<TBoardDialogs>(*this, seams.Dialogs))
{
    link_ = std::make_unique<TRs232Link>(seams.SerialPorts, seams.Loop.AckClock(), seams.Loop.Pump());
    const auto newInput = [&](TMidiDeviceLayer& layer) {
        auto input = std::make_unique<TMidiInput>(layer, seams.Loop.NewNotificationTarget());
        input->SetCapacity(InputCapacity);
        input->SetSysexBufferSize(SysexBufferSize);
        return input;
    };
    try {
        midiInput_ = newInput(seams.MidiDevices);
    } catch (const std::exception& error) {
        seams.Dialogs.Warning(error.what());
        midiInput_ = newInput(noMidiDevices_);
    }
    watchClock_ = seams.Loop.NewClock("WatchTimer", [this] { bridge_->WatchClockRanOut(); });
    drainClock_ = seams.Loop.NewClock("DrainTimer", [this] { bridge_->DrainClockRanOut(); });
    bridge_ = std::make_unique<TLiveBridge>(settings_, *midiInput_, *link_, *boardDialogs_, seams.Indicator,
                                            TLiveBridge::TClocks{*watchClock_, *drainClock_});
    bridge_->SetOnStatusChanged([this] { StatusChanged(); });
    testClock_ = seams.Loop.NewClock("TestTimer", [this] { test_->ClockRanOut(); });
    test_ = std::make_unique<TOutputTest>(*bridge_, *testClock_);
    test_->SetOnEnded([this] {
        Write(Text(StatusEntry::TestEnded, settings_.LanguageIndex));
        if (onTestEnded_)
            onTestEnded_();
    });
    playClock_ = seams.Loop.NewClock("PlayTimer", [this] { player_->ClockRanOut(); });
    player_ = std::make_unique<TSequencePlayer>(*bridge_, *playClock_);
    player_->SetOnEnded([this] {
        Write(Text(StatusEntry::PlayEnded, settings_.LanguageIndex));
        if (onPlayEnded_)
            onPlayEnded_();
    });
    bridge_->SetOnNotesReleased([this](std::uint64_t notes) {
        const std::uint8_t language = settings_.LanguageIndex;
        Write(Fill(Text(StatusEntry::DeviceLine, language),
                   {settings_.MidiInPortName, Fill(Text(StatusEntry::NotesReleased, language), {std::to_string(notes)})}));
    });
}

TLiveSession::~TLiveSession()
{
    bridge_->SetOnStatusChanged(nullptr);
    bridge_->SetOnNotesReleased(nullptr);
    // The test and the player let go of their clocks, and the bridge of its
    // own and of the input, before they go.
    player_.reset();
    test_.reset();
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

void TLiveSession::AllOutputsOff()
{
    Write(Text(StatusEntry::AllOutputsOff, settings_.LanguageIndex));
    bridge_->AllOutputsOff();
}

void TLiveSession::TestOutput(std::uint8_t output, std::uint8_t level)
{
    testedOrPlayed_ = true;
    Write(Fill(Text(StatusEntry::TestOne, settings_.LanguageIndex), {std::to_string(output), std::to_string(level)}));
    test_->One(output, level);
}

void TLiveSession::TestRange(std::uint8_t from, std::uint8_t to, std::uint8_t level)
{
    testedOrPlayed_ = true;
    Write(Fill(Text(StatusEntry::TestRange, settings_.LanguageIndex),
               {std::to_string(from), std::to_string(to), std::to_string(level)}));
    test_->Range(from, to, level);
}

void TLiveSession::TestChase(const TChase& chase)
{
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", chase.StepsPerSecond);
    test_->Chase(chase);  // refuses a bad rate before it is logged
    testedOrPlayed_ = true;
    Write(Fill(Text(StatusEntry::TestChase, settings_.LanguageIndex),
               {std::to_string(chase.From), std::to_string(chase.To), std::to_string(chase.Level), rate}));
}

void TLiveSession::StopTest()
{
    if (!test_->Running())
        return;
    test_->Stop();
    Write(Text(StatusEntry::TestEnded, settings_.LanguageIndex));
}

void TLiveSession::LoadShow(std::vector<TContactorEvent> changes, std::uint16_t resolutionMs, std::string name)
{
    StopPlay();
    player_->Load(std::move(changes), resolutionMs);
    showName_ = std::move(name);
}

void TLiveSession::Play(std::uint32_t fromMs)
{
    testedOrPlayed_ = true;
    Write(Fill(Text(StatusEntry::PlayFrom, settings_.LanguageIndex), {showName_, ShowTime(fromMs)}));
    player_->Play(fromMs);
}

void TLiveSession::PausePlay()
{
    if (!player_->Playing())
        return;
    player_->Pause();
    Write(Fill(Text(StatusEntry::PlayPaused, settings_.LanguageIndex), {ShowTime(player_->Position())}));
}

void TLiveSession::StopPlay()
{
    const bool playing = player_->Playing();
    player_->Stop();
    if (playing)
        Write(Text(StatusEntry::PlayStopped, settings_.LanguageIndex));
}

std::string TLiveSession::MonitorText(std::uint8_t language) const
{
    std::string text;
    char cell[16];
    for (unsigned bank = 0; bank < 2; ++bank) {
        text += Fill(Text(StatusEntry::MonitorBank, language),
                     {std::to_string(bank + 1), std::to_string(bank * 128), std::to_string(bank * 128 + 127)}) +
                "\n      ";
        for (unsigned column = 0; column < 16; ++column) {
            std::snprintf(cell, sizeof cell, " +%-3u", column);
            text += cell;
        }
        text += '\n';
        for (unsigned row = 0; row < 8; ++row) {
            const unsigned first = bank * 128 + row * 16;
            std::snprintf(cell, sizeof cell, "%4u: ", first);
            text += cell;
            for (unsigned column = 0; column < 16; ++column) {
                const TOutputView output = bridge_->Output(static_cast<std::uint8_t>(first + column));
                const char mark = output.Ack == TOutputAck::Waiting       ? '*'
                                  : output.Ack == TOutputAck::Unconfirmed ? '?'
                                                                          : ' ';
                if (output.Level == 0)
                    std::snprintf(cell, sizeof cell, "   .%c", mark);
                else
                    std::snprintf(cell, sizeof cell, " %3u%c", unsigned{output.Level}, mark);
                text += cell;
            }
            text += '\n';
        }
        text += '\n';
    }
    return text + Text(StatusEntry::MonitorLegend, language) + '\n';
}

void TLiveSession::BeginShutdown()
{
    // What a test or a show lit goes off while the port is still open, also
    // the offs of one that has just ended; without either, the rest of the
    // queue goes with the session.
    StopTest();
    StopPlay();
    if (testedOrPlayed_)
        bridge_->SendWaiting();
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
    const std::uint8_t language = settings_.LanguageIndex;
    // Closing what never opened is no news.
    const auto news = [](const TLinkStatus& now, const TLinkStatus& told) {
        return now != told && (now.Open || now.Problem != TLinkProblem::None || told.Open);
    };
    const TLinkStatus port = PortStatus();
    if (port != toldPort_) {
        if (port.Open && !toldPort_.Open)
            ++portOpenings_;
        answeringAgain_ = port.Open && port.Problem == TLinkProblem::None &&
                          toldPort_.Problem == TLinkProblem::NotAnswering;
        if (news(port, toldPort_) && !settings_.ComPortName.empty())
            Write(Fill(Text(StatusEntry::PortLine, language),
                       {settings_.ComPortName, JoinWords(PortWords(language), " ")}));
        toldPort_ = port;
        // What the box warned of is over once the device answers again.
        if (port.Open && port.Problem == TLinkProblem::None) {
            bool recovered = false;
            for (TBoardLine& line : board_)
                if (line.Recovered == std::chrono::system_clock::time_point{}) {
                    line.Recovered = seams_.Loop.Now();
                    recovered = true;
                }
            if (recovered && seams_.Dialogs.WarningNoWaitShown())
                ShowBoard();
        }
    }
    const TLinkStatus device = DeviceStatus();
    if (device != toldDevice_) {
        if (device.Open && !toldDevice_.Open)
            ++deviceOpenings_;
        if (news(device, toldDevice_) && !settings_.MidiInPortName.empty())
            Write(Fill(Text(StatusEntry::DeviceLine, language),
                       {settings_.MidiInPortName, JoinWords(DeviceWords(language), " ")}));
        toldDevice_ = device;
    }
    if (onStatusChanged_)
        onStatusChanged_();
}

void TLiveSession::Write(std::string text)
{
    log_.push_back({seams_.Loop.Now(), std::move(text)});
    if (log_.size() > LogLines)
        log_.pop_front();
    if (onLog_)
        onLog_(log_.back());
}

void TLiveSession::Warned(const std::string& text)
{
    Write(Fill(Text(StatusEntry::WarningLine, settings_.LanguageIndex), {text}));
    // A new warning never hides one not yet seen: the box lists them until
    // its OK is pressed.
    if (!seams_.Dialogs.WarningNoWaitShown())
        board_.clear();
    board_.push_back({seams_.Loop.Now(), text});
    ShowBoard();
}

void TLiveSession::ShowBoard()
{
    std::string text;
    for (const TBoardLine& line : board_) {
        if (!text.empty())
            text += '\n';
        text += TimeOfDay(line.When) + "  " + line.Text;
        if (line.Recovered != std::chrono::system_clock::time_point{})
            text += Fill(Text(StatusEntry::RecoveredAt, settings_.LanguageIndex), {TimeOfDay(line.Recovered)});
    }
    seams_.Dialogs.WarningNoWait(text);
}

std::string TLiveSession::Summary(std::uint8_t language) const
{
    const TBridgeFigures& f = bridge_->Figures();
    const auto tenths = f.WorstNoteToDevice.count() / 100;
    const std::string worst = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    return Fill(Text(StatusEntry::Summary, language),
                {std::to_string(f.Sent), std::to_string(f.Acknowledged), std::to_string(f.Replaced),
                 std::to_string(f.Unanswered), std::to_string(f.Reconnections), std::to_string(f.ReleasedNotes),
                 worst});
}

std::string TLiveSession::ShowTime(std::uint32_t ms)
{
    const std::uint32_t seconds = ms / 1000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%u:%02u:%02u.%03u", seconds / 3600, seconds / 60 % 60, seconds % 60,
                      ms % 1000);
    else
        std::snprintf(text, sizeof text, "%u:%02u.%03u", seconds / 60, seconds % 60, ms % 1000);
    return text;
}

std::string TLiveSession::TimeOfDay(std::chrono::system_clock::time_point when, bool milliseconds)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const std::tm* local = std::localtime(&seconds);
    char text[16] = "--:--:--";
    if (local != nullptr)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", local->tm_hour, local->tm_min, local->tm_sec);
    std::string time = text;
    if (milliseconds) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
        std::snprintf(text, sizeof text, ".%03d", static_cast<int>(ms));
        time += text;
    }
    return time;
}

std::vector<std::string> TLiveSession::PortWords(std::uint8_t language) const
{
    if (answeringAgain_ && PortStatus() == TLinkStatus{true, TLinkProblem::None})
        return {Text(StatusEntry::AnsweringAgain, language)};
    return StateWords(TLinkKind::SerialPort, PortStatus(), portOpenings_ > 1, language);
}

std::vector<std::string> TLiveSession::DeviceWords(std::uint8_t language) const
{
    return StateWords(TLinkKind::MidiDevice, DeviceStatus(), deviceOpenings_ > 1, language);
}

std::vector<std::string> TLiveSession::StateWords(TLinkKind kind, const TLinkStatus& status, bool openAgain,
                                                  std::uint8_t language)
{
    if (status.Problem == TLinkProblem::NotAnswering)
        return {Text(StatusEntry::NotAnswering, language), Text(StatusEntry::NotAnsweringWhy, language),
                Text(StatusEntry::Retrying, language)};
    if (status.Open)
        return {Text(openAgain ? StatusEntry::OpenAgain : StatusEntry::Open, language)};
    std::vector<std::string> words;
    switch (status.Problem) {
    case TLinkProblem::None: return {Text(StatusEntry::Closed, language)};
    case TLinkProblem::NotAnswering: break;
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

std::string TLiveSession::StateMark(const TLinkStatus& status, std::uint8_t language)
{
    switch (status.Problem) {
    case TLinkProblem::None: return {};
    case TLinkProblem::NotFound: return Text(StatusEntry::MarkNotFound, language);
    case TLinkProblem::InUse: return Text(StatusEntry::MarkInUse, language);
    case TLinkProblem::PermissionDenied: return Text(StatusEntry::MarkPermissionDenied, language);
    case TLinkProblem::Lost: return Text(StatusEntry::MarkLost, language);
    case TLinkProblem::Failed: return Text(StatusEntry::MarkFailed, language);
    case TLinkProblem::NotAnswering: return Text(StatusEntry::MarkNotAnswering, language);
    }
    return {};
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

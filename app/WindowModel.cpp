#include "WindowModel.h"

#include <algorithm>
#include <exception>

#include "RecentFiles.h"
#include "Resolution.h"
#include "SeqFile.h"
#include "SettingsFile.h"
#include "ShowChanges.h"
#include "Text.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The resolution pictures and items, in the order of Resolutions.
constexpr std::array ResolutionPictures{TControl::Image1, TControl::Image2, TControl::Image3, TControl::Image5};
constexpr std::array ResolutionItems{TControl::N1Seconde1, TControl::N500ms1, TControl::N250ms1, TControl::N100ms1};
// COM1 to COM4 in both menus.
constexpr std::array ComMenuItems{TControl::COM11, TControl::COM21, TControl::COM31, TControl::COM51};
constexpr std::array ComPopupItems{TControl::COM12, TControl::COM22, TControl::COM32, TControl::COM41};

// Whether a path's extension is one of those given (lower case, with the dot),
// whatever its case.
bool HasExtension(const std::string& path, std::initializer_list<std::string_view> extensions)
{
    const auto dot = path.find_last_of("./\\");
    if (dot == std::string::npos || path[dot] != '.')
        return false;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

bool IsMidiFileName(const std::string& path)
{
    return HasExtension(path, {".mid", ".midi"});
}

bool IsSeqFileName(const std::string& path)
{
    return HasExtension(path, {".seq"});
}

// The bytes of a path's last element and the separator before it.
std::size_t FileNameBytes(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path.size() : path.size() - slash;
}

// The transposition items of a menu, Tag 1 to 9.
TControl TransposeItem(TControl first, std::uint8_t tag)
{
    return static_cast<TControl>(static_cast<int>(first) + tag - 1);
}

}  // namespace

TWindowModel::TWindowModel(const TWindowSeams& seams) : seams_(seams)
{
    session_ = std::make_unique<TLiveSession>(
        settings_, TLiveSession::TSeams{seams.Loop, seams.Services.MidiDevices, seams.Services.SerialPorts,
                                        seams.Services.Dialogs, seams.Indicator});
    session_->SetOnStatusChanged([this] {
        ShowComPort();
        ShowMidiInPortName();
    });
    session_->SetOnLog([this](const TLogEntry&) { seams_.View.RefreshLog(); });
    commandClock_ = seams.Loop.NewClock("CommandTimer", [this] { RunDeferredCommands(); });
    monitorClock_ = seams.Loop.NewClock("MonitorTimer", [this] { MonitorClockRanOut(); });
    playViewClock_ = seams.Loop.NewClock("PlayViewTimer", [this] { PlayViewClockRanOut(); });
}

TWindowModel::~TWindowModel()
{
    session_->SetOnStatusChanged(nullptr);
    session_->SetOnLog(nullptr);
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void TWindowModel::FormCreate()
{
    settings_.ClearWorkLists();
    settings_.SetDefaults();
    Guarded([this] { BuildMidiInPortMenus(); });
    // A first start opens no port: on a show computer or a server the
    // system's first serial port may be a console or another device.
    settings_.ComPortName.clear();
    settings_.MidiInPortName.clear();
    // A bad settings file is reported and start-up goes on: the values read
    // before the bad line and the defaults of the rest are all applied.
    Guarded([this] { LoadSettingsStep(); });
    Guarded([this] {
        if (!settingsFile_.empty())
            recentFiles_ = LoadRecentFiles(RecentFilesPath(settingsFile_));
    });
    Guarded([this] { BuildRecentFilesMenu(); });
    CheckLanguageItem();
    Guarded([this] { SelectSavedMidiInPort(); });
    Guarded([this] { ApplyLanguage(); });
    Guarded([this] { session_->Start(); });
    Guarded([this] { BuildSerialPortMenus(); });
    Guarded([this] { ShowResolution(); });
    Guarded([this] { ShowMidiMode(); });
    Guarded([this] { ShowComPort(); });
    Guarded([this] { ShowTranspose(); });
}

void TWindowModel::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    deferred_.clear();
    commandClock_->Stop();
    // A MIDI notification still queued, or one that runs inside a message
    // box below, must not send anything once the lists are gone.
    session_->BeginShutdown();
    settings_.ClearWorkLists();
    // A settings file that cannot be written is reported; the ports are
    // closed all the same. The recent list beside it is not tried then: its
    // failure would say the same again.
    if (Guarded([this] { SaveSettingsStep(); }) && recentFilesChanged_ && !settingsFile_.empty())
        Guarded([this] { SaveRecentFiles(recentFiles_, RecentFilesPath(settingsFile_)); });
    Guarded([this] { session_->Close(); });
}

const std::filesystem::path& TWindowModel::SettingsFile()
{
    if (settingsFile_.empty())
        settingsFile_ = seams_.Services.SettingsFile.empty() ? SettingsFilePath() : seams_.Services.SettingsFile;
    return settingsFile_;
}

void TWindowModel::LoadSettingsStep()
{
    LoadSettings(settings_, SettingsFile());
}

void TWindowModel::SaveSettingsStep()
{
    SaveSettings(settings_, SettingsFile());
}

void TWindowModel::CheckLanguageItem()
{
    seams_.View.Check(settings_.LanguageIndex == LanguageEnglish ? TControl::English1 : TControl::French1);
}

// ---------------------------------------------------------------------------
// Commands and the general error handler

void TWindowModel::Click(TControl control)
{
    const TControlSpec& described = ControlSpec(control);
    if (described.Command == TCommand::None)
        return;
    const TCommand command = described.Command;
    const int tag = described.Tag;
    Command([this, command, tag] { Run(command, tag); });
}

void TWindowModel::ClickItem(TControl slot, std::size_t index)
{
    switch (ControlSpec(slot).Family) {
    case TItemFamily::SerialPorts:
        Command([this, index] { SerialPortClick(index); });
        break;
    case TItemFamily::MidiDevices:
        Command([this, index] { MidiInPortClick(static_cast<int>(index) + 1); });
        break;
    case TItemFamily::RecentFiles:
        Command([this, index] { RecentFileClick(index); });
        break;
    case TItemFamily::None:
        break;
    }
}

void TWindowModel::MenuOpening(TControl menu)
{
    if (closed_)
        return;
    // A port or a device plugged in during the run shows the next time a
    // menu of its kind opens.
    if (menu == TControl::RS2321 || menu == TControl::PopupMenu1)
        Guarded([this] { BuildSerialPortMenus(); });
    else if (menu == TControl::MIDIPort1 || menu == TControl::PopupMenu4)
        Guarded([this] { BuildMidiInPortMenus(); });
}

void TWindowModel::Run(TCommand command, int tag)
{
    switch (command) {
    case TCommand::None: break;
    case TCommand::Open1Click: Open1Click(); break;
    case TCommand::SaveSeqFile1Click: SaveSeqFile1Click(); break;
    case TCommand::SpeedButton2Click: SpeedButton2Click(); break;
    case TCommand::ViewSequence1Click: ViewSequence1Click(); break;
    case TCommand::Exit1Click: Exit1Click(); break;
    case TCommand::About1Click: About1Click(); break;
    case TCommand::English1Click: English1Click(); break;
    case TCommand::French1Click: French1Click(); break;
    case TCommand::Image1Click: Image1Click(tag); break;
    case TCommand::N1Seconde1Click: N1Seconde1Click(tag); break;
    case TCommand::Image8Click: Image8Click(tag); break;
    case TCommand::Proportionnal1Click: Proportionnal1Click(tag); break;
    case TCommand::NoneTransposeMenuClick: NoneTransposeMenuClick(tag); break;
    case TCommand::SpeedButton4Click: SpeedButton4Click(); break;
    case TCommand::SpeedButton5Click: SpeedButton5Click(); break;
    case TCommand::SpeedButton6Click: SpeedButton6Click(); break;
    case TCommand::COM11Click: COM11Click(tag); break;
    case TCommand::OtherPortClick: OtherPortClick(); break;
    case TCommand::AllOff1Click: AllOff1Click(); break;
    case TCommand::None1Click: None1Click(); break;
    case TCommand::Log1Click: Log1Click(); break;
    case TCommand::Outputs1Click: Outputs1Click(); break;
    case TCommand::TestOutputs1Click: TestOutputs1Click(); break;
    case TCommand::Button1Click: Button1Click(); break;
    case TCommand::Button2Click: Button2Click(); break;
    case TCommand::Button3Click: Button3Click(); break;
    case TCommand::Button4Click: Button4Click(); break;
    case TCommand::Button5Click: Button5Click(); break;
    case TCommand::CloseAboutBox: break;  // the box closes itself
    }
}

void TWindowModel::Command(std::function<void()> command)
{
    if (closed_)
        return;
    // A command that reaches the window while a handshake waits for its
    // answer runs once the handshake is over: a dialog or a port change
    // nested in the wait would outlast its clock.
    if (settings_.SendBusy || !deferred_.empty()) {
        deferred_.push_back(std::move(command));
        if (!commandClock_->Enabled())
            commandClock_->Start(CommandRetry);
        return;
    }
    Guarded(command);
}

void TWindowModel::RunDeferredCommands()
{
    while (!deferred_.empty() && !closed_) {
        if (settings_.SendBusy) {
            commandClock_->Start(CommandRetry);
            return;
        }
        const std::function<void()> command = std::move(deferred_.front());
        deferred_.pop_front();
        Guarded(command);
    }
}

bool TWindowModel::Guarded(const std::function<void()>& step) noexcept
{
    try {
        step();
        return true;
    } catch (...) {
        ReportError(std::current_exception());
        return false;
    }
}

void TWindowModel::ReportError(std::exception_ptr error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            seams_.Services.Dialogs.Warning(e.what());
        } catch (...) {
            seams_.Services.Dialogs.Warning("Unknown error");
        }
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

void TWindowModel::Timer2Timer()
{
    Guarded([this] { session_->Bridge().Timer2Timer(); });
}

// ---------------------------------------------------------------------------
// Language

std::string TWindowModel::Label(LabelEntry entry) const
{
    return Text(entry, settings_.LanguageIndex);
}

void TWindowModel::ApplyLanguage()
{
    const std::uint8_t language = settings_.LanguageIndex;
    for (const TControlSpec& described : WindowControls()) {
        // The other windows take their texts when they become active; a
        // label that shows a value is shown with it below.
        if (!described.Text || FormOf(described.Id) != TControl::Form1 || described.Value != TLabelValue::None)
            continue;
        seams_.View.SetText(described.Id, ControlText(described, language));
    }
    FormActivated(TControl::Form7);  // an open test box follows
    if (seams_.View.MonitorVisible())
        seams_.View.RefreshMonitor();
    BuildMidiInPortMenus();  // the marks of an absent device and of a missing MIDI system
    ShowMidiFileName();
    ShowSeqFileName();
    ShowComPort();
    ShowMidiInPortName();
    ShowTranspose();
    seams_.View.RefreshSequenceViewer();
    seams_.View.RefreshLog();
}

void TWindowModel::English1Click()
{
    seams_.View.Check(TControl::English1);
    settings_.LanguageIndex = LanguageEnglish;
    ApplyLanguage();
}

void TWindowModel::French1Click()
{
    seams_.View.Check(TControl::French1);
    settings_.LanguageIndex = LanguageFrench;
    ApplyLanguage();
}

void TWindowModel::AboutBoxActivated()
{
    FormActivated(TControl::Form2);
}

void TWindowModel::FormActivated(TControl form)
{
    const std::uint8_t language = settings_.LanguageIndex;
    for (const TControlSpec& described : WindowControls())
        if (described.Text && described.Id != TControl::Form1 && FormOf(described.Id) == form)
            seams_.View.SetText(described.Id, ControlText(described, language));
}

// ---------------------------------------------------------------------------
// The converter

void TWindowModel::Open1Click()
{
    const auto chosen = seams_.Services.FileDialogs.OpenMidiFile(settings_.MidiFileName);
    if (chosen)
        ChooseMidiFile(*chosen);
}

void TWindowModel::ChooseMidiFile(const std::string& name)
{
    settings_.MidiFileName = name;
    ShowMidiFileName();
    AddRecentFile(recentFiles_, name);
    recentFilesChanged_ = true;
    BuildRecentFilesMenu();
}

void TWindowModel::RecentFileClick(std::size_t index)
{
    if (index < recentFiles_.size())
        ChooseMidiFile(std::string(recentFiles_[index]));
}

void TWindowModel::BuildRecentFilesMenu()
{
    // "1 /music/…/song.mid": a menu is no place for a path of any length.
    constexpr double Characters = 60;
    std::vector<TRunTimeItem> items;
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        const std::string& path = recentFiles_[i];
        const TValueLabel shown{std::to_string(i + 1) + ' ', path, {}, false, TValueLabel::TElide::Middle, {},
                                FileNameBytes(path)};
        items.push_back({.Name = ControlSpec(TControl::RecentFilesMenu).Name + std::to_string(i + 1),
                         .Caption = FittedLabelText(shown, Characters, CharacterCount),
                         .Checkable = false,
                         .Underlined = 0,
                         .Tooltip = path});
    }
    seams_.View.SetItems(TControl::RecentFilesMenu, items);
    seams_.View.SetEnabled(TControl::RecentFiles1, !items.empty());
}

void TWindowModel::SaveSeqFile1Click()
{
    // The dialog proposes the MIDI file's name with .seq, in its folder.
    const std::string proposed =
        settings_.MidiFileName.empty() ? settings_.SeqFileName : SeqFileNameFor(settings_.MidiFileName);
    const auto chosen = seams_.Services.FileDialogs.SaveSeqFile(proposed);
    if (!chosen)
        return;
    settings_.SeqFileName = *chosen;
    ShowSeqFileName();
}

void TWindowModel::SpeedButton2Click()
{
    TConversionRecord record{.MidiFile = settings_.MidiFileName,
                             .SeqFile = settings_.SeqFileName,
                             .ResolutionMs = ResolutionOf(settings_.ResolutionMs).Ms,
                             .When = std::chrono::system_clock::now()};
    TConversionCommand command(settings_, MidiFile1, seams_.Services.Dialogs, *this);
    // The report tab tells of this conversion, whatever comes of it; an
    // error goes on to the general handler once noted.
    const auto noted = [&] {
        record.Refusal = command.Refusal();
        record.Report = command.Report();
        viewer_.SetConversion(record);
        // An open viewer shows the new image and its report.
        if (seams_.View.SequenceViewerVisible()) {
            viewer_.Load(settings_.SeqFileName);
            seams_.View.RefreshSequenceViewer();
        }
    };
    try {
        record.Outcome = command.Execute();
    } catch (const std::exception& error) {
        record.Error = error.what();
        noted();
        throw;
    }
    noted();
    if (command.ReportAsked())
        ShowInViewer(settings_.SeqFileName, TViewerPage::Report);
}

void TWindowModel::ViewSequence1Click()
{
    ShowInViewer(settings_.SeqFileName, TViewerPage::Sequence);
}

void TWindowModel::ShowInViewer(const std::string& seqFileName, TViewerPage page)
{
    // What is wrong with the file shows in the viewer, in place of the
    // picture, and nowhere else.
    viewer_.Load(seqFileName);
    viewer_.SetPage(page);
    seams_.View.ShowSequenceViewer();
}

bool TWindowModel::CanDrop(const std::vector<std::string>& paths) const
{
    return !closed_ && std::any_of(paths.begin(), paths.end(),
                                   [](const std::string& p) { return IsMidiFileName(p) || IsSeqFileName(p); });
}

void TWindowModel::FilesDropped(const std::vector<std::string>& paths)
{
    Command([this, paths] {
        const auto midi = std::find_if(paths.begin(), paths.end(), IsMidiFileName);
        if (midi != paths.end())
            ChooseMidiFile(*midi);
        const auto seq = std::find_if(paths.begin(), paths.end(), IsSeqFileName);
        if (seq != paths.end())
            ShowInViewer(*seq, TViewerPage::Sequence);
    });
}

void TWindowModel::SetConverterEnabled(bool enabled)
{
    seams_.View.SetEnabled(TControl::Panel2, enabled);
    seams_.View.SetEnabled(TControl::File1, enabled);
}

void TWindowModel::ShowMidiFileName()
{
    const std::string& name = settings_.MidiFileName;
    seams_.View.SetValueLabel(TControl::Label4,
                              {Label(LabelEntry::MidiFile), name, name, false, TValueLabel::TElide::Middle, {},
                               FileNameBytes(name)});
}

void TWindowModel::ShowSeqFileName()
{
    const std::string& name = settings_.SeqFileName;
    seams_.View.SetValueLabel(TControl::Label5,
                              {Label(LabelEntry::SeqFile), name, name, false, TValueLabel::TElide::Middle, {},
                               FileNameBytes(name)});
}

void TWindowModel::Image1Click(int tag)
{
    settings_.ResolutionMs = ResolutionMsOfTag(tag);
    ShowResolution();
}

void TWindowModel::N1Seconde1Click(int tag)
{
    Image1Click(tag);
}

void TWindowModel::ShowResolution()
{
    const std::size_t chosen = ResolutionIndex(settings_.ResolutionMs);
    for (std::size_t i = 0; i < ResolutionPictures.size(); ++i)
        seams_.View.SetSelected(ResolutionPictures[i], i == chosen);
    seams_.View.Check(ResolutionItems[chosen]);
}

// ---------------------------------------------------------------------------
// The live bridge's settings

void TWindowModel::Image8Click(int tag)
{
    // The pictures and items of the modes carry their mode as their Tag.
    settings_.MidiMode = tag == MidiModeValue::DryContact ? MidiModeValue::DryContact : MidiModeValue::Proportional;
    ShowMidiMode();
}

void TWindowModel::Proportionnal1Click(int tag)
{
    Image8Click(tag);
}

void TWindowModel::ShowMidiMode()
{
    const bool dry = settings_.MidiMode == MidiModeValue::DryContact;
    seams_.View.SetSelected(TControl::Image8, !dry);
    seams_.View.SetSelected(TControl::Image10, dry);
    seams_.View.Check(dry ? TControl::Contactor1 : TControl::Proportionnal1);
}

void TWindowModel::NoneTransposeMenuClick(int tag)
{
    settings_.TransposeIndex = static_cast<std::uint8_t>(tag);
    ShowTranspose();
}

void TWindowModel::ShowTranspose()
{
    const std::uint8_t index = settings_.TransposeIndex;
    const std::uint8_t tag = (index >= 1 && index <= 9) ? index : 5;
    seams_.View.Check(TransposeItem(TControl::Less4OctaveMenu, tag));
    seams_.View.Check(TransposeItem(TControl::Less4OctavePopUp, tag));
    seams_.View.SetValueLabel(TControl::Label16, {Label(LabelEntry::Transpose),
                                                   std::string(TransposeText(settings_.LanguageIndex, index))});
}

void TWindowModel::SpeedButton4Click()
{
    seams_.View.PopUp(TControl::PopupMenu1);
}

void TWindowModel::SpeedButton5Click()
{
    seams_.View.PopUp(TControl::PopupMenu4);
}

void TWindowModel::SpeedButton6Click()
{
    seams_.View.PopUp(TControl::PopupMenu2);
}

// ---------------------------------------------------------------------------
// COM port

void TWindowModel::COM11Click(int tag)
{
    SelectComPort("COM" + std::to_string(tag));
}

void TWindowModel::SerialPortClick(std::size_t index)
{
    if (index < serialPortNames_.size())
        SelectComPort(serialPortNames_[index]);
}

void TWindowModel::OtherPortClick()
{
    const std::string question = Text(Rs232MenuEntry::OtherPortPrompt, settings_.LanguageIndex);
    const auto answer = seams_.Services.PortNamePrompt.AskPortName(question, settings_.ComPortName);
    const std::string name = answer ? Trimmed(*answer) : std::string();
    if (name.empty()) {
        ShowComPort();  // the item's own check mark goes back where it was
        return;
    }
    SelectComPort(name);
}

void TWindowModel::AllOff1Click()
{
    session_->AllOutputsOff();
}

void TWindowModel::Log1Click()
{
    seams_.View.ShowLog();
}

void TWindowModel::Outputs1Click()
{
    seams_.View.ShowMonitor();
    monitorRevision_ = ~std::uint64_t{0};
    MonitorClockRanOut();
}

void TWindowModel::MonitorClockRanOut()
{
    // Drawn again at most ten times a second, and only after a change;
    // the clock rests while the monitor is closed.
    if (closed_ || !seams_.View.MonitorVisible())
        return;
    const std::uint64_t revision = session_->Bridge().Revision();
    if (revision != monitorRevision_) {
        monitorRevision_ = revision;
        seams_.View.RefreshMonitor();
    }
    monitorClock_->Start(MonitorInterval);
}

std::array<TWindowModel::TMonitorCell, 256> TWindowModel::MonitorCells() const
{
    std::array<TMonitorCell, 256> cells;
    for (unsigned output = 0; output < cells.size(); ++output) {
        const TOutputView view = session_->Bridge().Output(static_cast<std::uint8_t>(output));
        TMonitorCell& cell = cells[output];
        cell.Text = view.Level == 0 ? "." : std::to_string(view.Level);
        // Lit outputs glow with their level; what the device may not have
        // stands out in blue (waiting) or red (unconfirmed).
        const auto glow = static_cast<std::uint8_t>(60 + view.Level * 195 / 255);
        cell.Background = view.Level == 0 ? TRgb{40, 40, 40} : TRgb{glow, static_cast<std::uint8_t>(glow * 3 / 4), 0};
        cell.Foreground = view.Level > 128 ? TRgb{0, 0, 0} : TRgb{235, 235, 235};
        if (view.Ack == TOutputAck::Waiting) {
            cell.Text += '*';
            cell.Background = {30, 70, 170};
            cell.Foreground = {255, 255, 255};
        } else if (view.Ack == TOutputAck::Unconfirmed) {
            cell.Text += '?';
            cell.Background = {170, 20, 20};
            cell.Foreground = {255, 255, 255};
        }
    }
    return cells;
}

std::string TWindowModel::MonitorCaption(unsigned bank) const
{
    return Fill(Text(StatusEntry::MonitorBank, settings_.LanguageIndex),
                {std::to_string(bank + 1), std::to_string(bank * 128), std::to_string(bank * 128 + 127)});
}

std::string TWindowModel::MonitorLegend() const
{
    return Text(StatusEntry::MonitorLegend, settings_.LanguageIndex);
}

std::string TWindowModel::MonitorTitle() const
{
    return Text(StatusEntry::MonitorTitle, settings_.LanguageIndex);
}

void TWindowModel::TestOutputs1Click()
{
    seams_.View.ShowForm(TControl::Form7);
}

namespace {

std::uint8_t Byte(int number)
{
    return static_cast<std::uint8_t>(std::clamp(number, 0, 255));
}

}  // namespace

void TWindowModel::Button1Click()
{
    session_->TestOutput(Byte(seams_.View.Number(TControl::SpinEdit1)), Byte(seams_.View.Number(TControl::SpinEdit3)));
}

void TWindowModel::Button2Click()
{
    const std::uint8_t first = Byte(seams_.View.Number(TControl::SpinEdit1));
    const std::uint8_t last = Byte(seams_.View.Number(TControl::SpinEdit2));
    session_->TestRange(std::min(first, last), std::max(first, last), Byte(seams_.View.Number(TControl::SpinEdit3)));
}

void TWindowModel::Button3Click()
{
    const std::uint8_t first = Byte(seams_.View.Number(TControl::SpinEdit1));
    const std::uint8_t last = Byte(seams_.View.Number(TControl::SpinEdit2));
    session_->TestChase({std::min(first, last), std::max(first, last), Byte(seams_.View.Number(TControl::SpinEdit3)),
                         static_cast<double>(std::clamp(seams_.View.Number(TControl::SpinEdit4), 1, 50))});
}

void TWindowModel::Button4Click()
{
    session_->StopTest();
    session_->AllOutputsOff();
}

void TWindowModel::Button5Click()
{
    session_->StopTest();
}

void TWindowModel::ViewerCommand(TViewerCommand command)
{
    if (!PlaysTheShow(command)) {
        viewer_.Run(command);
        seams_.View.RedrawSequenceViewer();
        return;
    }
    const TSeqImage* image = viewer_.Image();
    if (command == TViewerCommand::Play) {
        if (image == nullptr || session_->Player().Playing())
            return;
        if (playedFile_ != viewer_.FileName() || session_->Player().Length() == 0) {
            TShow show = ShowOfImage(*image);
            session_->LoadShow(std::move(show.Changes), show.ResolutionMs, viewer_.FileName());
            playedFile_ = viewer_.FileName();
        }
        session_->Play(viewer_.CursorMs().value_or(0));
        PlayViewClockRanOut();
        return;
    }
    const std::uint32_t at = session_->Player().Position();
    if (command == TViewerCommand::Pause) {
        session_->PausePlay();
        viewer_.PlaceCursorAt(at);  // Play goes on from there
    } else {
        session_->StopPlay();
    }
    playViewClock_->Stop();
    viewer_.SetPlayPosition(std::nullopt);
    seams_.View.RedrawSequenceViewer();
}

void TWindowModel::PlayCommand(TViewerCommand command)
{
    Command([this, command] { ViewerCommand(command); });
}

void TWindowModel::PlayViewClockRanOut()
{
    const bool playing = session_->Player().Playing();
    viewer_.SetPlayPosition(playing ? std::optional<std::uint32_t>(session_->Player().Position()) : std::nullopt);
    seams_.View.RedrawSequenceViewer();
    if (playing)
        playViewClock_->Start(PlayViewInterval);
}

std::string TWindowModel::LogText() const
{
    const std::uint8_t language = settings_.LanguageIndex;
    std::string text = session_->Summary(language) + "\n\n";
    if (session_->Log().empty())
        text += Text(StatusEntry::LogEmpty, language) + '\n';
    for (const TLogEntry& entry : session_->Log())
        text += TLiveSession::TimeOfDay(entry.When) + "  " + entry.Text + '\n';
    return text;
}

void TWindowModel::SelectComPort(const std::string& name)
{
    session_->SelectComPort(name);
    // The new name shows even when its state is the old one's.
    ShowComPort();
}

void TWindowModel::ShowComPort()
{
    const std::string& name = settings_.ComPortName;
    const std::uint8_t language = settings_.LanguageIndex;
    if (name.empty()) {
        // None chosen yet: no item checked, and the label says where to choose.
        seams_.View.ClearChecks(TRadioGroup::ComMenu);
        seams_.View.ClearChecks(TRadioGroup::ComPopup);
        seams_.View.SetValueLabel(TControl::Label7, {Label(LabelEntry::ComPort), Text(StatusEntry::NoPort, language),
                                                     Text(StatusEntry::NoPortWhy, language)});
        return;
    }
    const auto listed = std::find(serialPortNames_.begin(), serialPortNames_.end(), name);
    if (listed != serialPortNames_.end()) {
        const auto index = static_cast<std::size_t>(listed - serialPortNames_.begin());
        seams_.View.CheckItem(TControl::SerialPortMenu, index);
        seams_.View.CheckItem(TControl::SerialPortPopUp, index);
    } else {
        // COM1..COM4 have items of their own; any other name came through
        // "Other port..." (or a settings file), which then shows it.
        const bool comItem = name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '4';
        const auto item = comItem ? static_cast<std::size_t>(name[3] - '1') : 0u;
        seams_.View.Check(comItem ? ComMenuItems[item] : TControl::OtherPortMenu);
        seams_.View.Check(comItem ? ComPopupItems[item] : TControl::OtherPortPopUp);
    }
    seams_.View.SetValueLabel(TControl::Label7, LinkLabel(LabelEntry::ComPort, name, session_->PortStatus(),
                                                         session_->PortWords(language)));
}

TValueLabel TWindowModel::LinkLabel(LabelEntry entry, const std::string& value, const TLinkStatus& status,
                                    const std::vector<std::string>& words) const
{
    if (value.empty())
        return {Label(entry), value, {}, false, TValueLabel::TElide::Start};
    // In words, not in colour alone, when it does not work; the whole name
    // and its present state in the tooltip.
    const std::string mark = TLiveSession::StateMark(status, settings_.LanguageIndex);
    return {Label(entry), value, value + '\n' + JoinWords(words, "\n"), !mark.empty(), TValueLabel::TElide::Start,
            mark};
}

void TWindowModel::BuildSerialPortMenus()
{
    serialPortNames_ = seams_.Services.ListSerialPorts ? seams_.Services.ListSerialPorts() : std::vector<std::string>{};
    for (const TControl slot : {TControl::SerialPortMenu, TControl::SerialPortPopUp}) {
        std::vector<TRunTimeItem> items;
        for (std::size_t i = 0; i < serialPortNames_.size(); ++i)
            items.push_back({.Name = ControlSpec(slot).Name + std::to_string(i + 1), .Caption = serialPortNames_[i]});
        seams_.View.SetItems(slot, items);
    }
    ShowComPort();
}

// ---------------------------------------------------------------------------
// MIDI input device

void TWindowModel::BuildMidiInPortMenus()
{
    // Device i at position i + 2 of both menus, after None and the separator.
    midiItemNames_ = session_->MidiDeviceNames();
    const std::size_t present = midiItemNames_.size();
    const std::string& saved = settings_.MidiInPortName;
    if (!saved.empty() && std::find(midiItemNames_.begin(), midiItemNames_.end(), saved) == midiItemNames_.end())
        midiItemNames_.push_back(saved);  // kept and shown, opened when it appears
    const std::uint8_t language = settings_.LanguageIndex;
    for (const TControl slot : {TControl::MidiInPortMenu, TControl::MidiInPortPopUp}) {
        std::vector<TRunTimeItem> items;
        for (std::size_t i = 0; i < midiItemNames_.size(); ++i) {
            const int tag = static_cast<int>(i) + 1;
            const std::string caption =
                midiItemNames_[i] + (i < present ? std::string() : Text(MidiPortMenuEntry::AbsentMark, language));
            items.push_back({.Name = ControlSpec(slot).Name + std::to_string(tag), .Caption = caption, .Tag = tag});
        }
        if (!session_->MidiSystemFound()) {
            const char* name = slot == TControl::MidiInPortMenu ? "NoMidiSystemMenu" : "NoMidiSystemPopUp";
            items.push_back({.Name = name,
                             .Caption = Text(MidiPortMenuEntry::NoMidiSystem, language),
                             .Enabled = false,
                             .Checkable = false});
        }
        seams_.View.SetItems(slot, items);
    }
    CheckMidiInItems();
}

void TWindowModel::SelectSavedMidiInPort()
{
    // A saved device that is not there keeps its name: the session opens it
    // when it appears, and the menus show it marked absent meanwhile.
    CheckMidiInItems();
}

void TWindowModel::CheckMidiInItems()
{
    const std::string& name = settings_.MidiInPortName;
    if (name.empty()) {
        seams_.View.Check(TControl::None1);
        seams_.View.Check(TControl::None2);
        return;
    }
    // The last device of that name wins, as the device walk finds it.
    const auto chosen = std::find(midiItemNames_.rbegin(), midiItemNames_.rend(), name);
    if (chosen == midiItemNames_.rend())
        return;
    const auto index = static_cast<std::size_t>(midiItemNames_.rend() - chosen) - 1;
    seams_.View.CheckItem(TControl::MidiInPortMenu, index);
    seams_.View.CheckItem(TControl::MidiInPortPopUp, index);
}

void TWindowModel::MidiInPortClick(int tag)
{
    if (tag < 1 || static_cast<std::size_t>(tag) > midiItemNames_.size())
        return;
    const std::string name = midiItemNames_[static_cast<std::size_t>(tag) - 1];
    settings_.MidiInPortName = name;
    CheckMidiInItems();
    ShowMidiInPortName();
    session_->SelectMidiDevice(name);
}

void TWindowModel::None1Click()
{
    seams_.View.Check(TControl::None1);
    seams_.View.Check(TControl::None2);
    settings_.MidiInPortName.clear();
    ShowMidiInPortName();
    session_->SelectMidiDevice({});
}

void TWindowModel::ShowMidiInPortName()
{
    seams_.View.SetValueLabel(TControl::Label3,
                              LinkLabel(LabelEntry::MidiIn, settings_.MidiInPortName, session_->DeviceStatus(),
                                        session_->DeviceWords(settings_.LanguageIndex)));
}

// ---------------------------------------------------------------------------
// Program

void TWindowModel::Exit1Click()
{
    seams_.View.CloseWindow();
}

void TWindowModel::About1Click()
{
    seams_.View.ShowAboutBox();
}

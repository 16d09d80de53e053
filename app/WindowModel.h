#pragma once
// The window's behaviour, whatever toolkit draws it: the record, the Convert
// command and the live session, the start-up and shut-down sequences, every
// command of the window under its design name, and what each display shows,
// told to the face through TWindowView. A face builds its widgets from the
// description (WindowDescription.h), forwards clicks (Click, ClickItem),
// menus about to open (MenuOpening) and its timers, and draws what it is
// told.
//
// Everything runs on the face's (user interface) thread. Every command runs
// under one general error handler, which shows what it throws in a warning
// box with its own text; a command that comes while a handshake waits for
// its answer (a queued click, a shortcut) runs once the handshake is over.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ActivityIndicator.h"
#include "AppSettings.h"
#include "ConversionCommand.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "LiveSession.h"
#include "MessageLoop.h"
#include "MidiDeviceLayer.h"
#include "MidiFile.h"
#include "PortNamePrompt.h"
#include "SeqViewerModel.h"
#include "SerialDevice.h"
#include "WindowDescription.h"
#include "WindowView.h"

// What the program gives the window, whatever its face; everything must
// outlive the model. The program gives the system's; tests give recording
// dialogs, answered prompts, virtual MIDI devices and simulated ports.
struct TWindowServices {
    TDialogs& Dialogs;
    TFileDialogs& FileDialogs;
    TPortNamePrompt& PortNamePrompt;
    TMidiDeviceLayer& MidiDevices;
    TSerialPorts& SerialPorts;
    // The system's serial ports by path, asked again whenever a COM port
    // menu opens; none when empty.
    std::function<std::vector<std::string>()> ListSerialPorts;
    // The settings file; empty means TOREMMidiToSeqBridge.cfg where
    // SettingsFilePath puts it (beside the executable or the user's folder).
    std::filesystem::path SettingsFile;
};

// What the face adds: itself, its message loop, and its lamp (Shape5 and
// Timer2; the face runs Timer2Timer when Timer2 runs out).
struct TWindowSeams {
    TWindowServices Services;
    TWindowView& View;
    TMessageLoop& Loop;
    TActivityIndicator& Indicator;
};

class TWindowModel final : private TConverterControls {
public:
    // How soon a command deferred by a handshake is tried again.
    static constexpr std::chrono::milliseconds CommandRetry{10};

    // Builds the live session; a MIDI system that cannot name its devices
    // is told in a warning already.
    explicit TWindowModel(const TWindowSeams& seams);
    ~TWindowModel() override;
    TWindowModel(const TWindowModel&) = delete;
    TWindowModel& operator=(const TWindowModel&) = delete;

    // The start-up sequence: settings read, displays shown, ports opened.
    void FormCreate();
    // The shut-down sequence; runs once, from the first close.
    void FormClose();

    // What the face forwards.
    // A click on a control, menu item or picture of the description.
    void Click(TControl control);
    // A click on the run-time item at index of a slot.
    void ClickItem(TControl slot, std::size_t index);
    // A menu or pop-up menu is about to open: ports and devices plugged in
    // meanwhile show.
    void MenuOpening(TControl menu);
    // Timer2 ran out: the lamp goes dark.
    void Timer2Timer();
    // Files dragged over the window, as paths: whether a drop would take
    // any of them (a MIDI file, a sequence file).
    bool CanDrop(const std::vector<std::string>& paths) const;
    // Files dropped on the window: the first MIDI file becomes the one to
    // convert, the first sequence file opens in the viewer.
    void FilesDropped(const std::vector<std::string>& paths);
    // The About box became active: its texts in the language of the moment.
    void AboutBoxActivated();
    // A window of the description (the About box, the output test box)
    // became active: its texts in the language of the moment.
    void FormActivated(TControl form);
    // The general error report: a warning box with the error's own text.
    // Where the face's loop catches what a handler threw.
    void ReportError(std::exception_ptr error) noexcept;

    // The handlers of the window, as the controls run them.
    void Open1Click();
    void SaveSeqFile1Click();
    void SpeedButton2Click();  // the Convert command
    void ViewSequence1Click();
    void Exit1Click();
    void About1Click();
    void English1Click();
    void French1Click();
    void Image1Click(int tag);        // resolution pictures
    void N1Seconde1Click(int tag);    // resolution items
    void Image8Click(int tag);        // MIDI mode pictures
    void Proportionnal1Click(int tag);  // MIDI mode items
    void NoneTransposeMenuClick(int tag);
    void SpeedButton4Click();  // PopupMenu1 at the cursor
    void SpeedButton5Click();  // PopupMenu4 at the cursor
    void SpeedButton6Click();  // PopupMenu2 at the cursor
    void COM11Click(int tag);
    void SerialPortClick(std::size_t index);  // a port of the system's list
    void RecentFileClick(std::size_t index);  // a MIDI file of the recent list
    void OtherPortClick();                    // "Other port...": asks for a name
    void MidiInPortClick(int tag);
    void None1Click();
    void AllOff1Click();  // "All outputs off"
    void Log1Click();     // the log of what happened on stage
    void Outputs1Click();      // the output monitor
    void TestOutputs1Click();  // the output test box
    void Button1Click();  // test one output
    void Button2Click();  // test a range
    void Button3Click();  // chase through a range
    void Button4Click();  // all off
    void Button5Click();  // stop the test
    // The viewer's play commands: the show it shows played on the device
    // from its cursor, paused (the cursor where it paused), stopped.
    void ViewerCommand(TViewerCommand command);
    // The same, from the face: run as a command (after a handshake that
    // waits).
    void PlayCommand(TViewerCommand command);

    // The displays.
    void ApplyLanguage();
    void ShowResolution();
    void ShowMidiMode();
    void ShowTranspose();
    void ShowComPort();
    void ShowMidiInPortName();
    void ShowMidiFileName();
    void ShowSeqFileName();
    void BuildMidiInPortMenus();
    void BuildSerialPortMenus();
    void BuildRecentFilesMenu();
    void SelectSavedMidiInPort();

    AppSettings& Settings() { return settings_; }
    const AppSettings& Settings() const { return settings_; }
    TLiveSession& Session() { return *session_; }
    const TSeqViewerModel& Viewer() const { return viewer_; }
    TSeqViewerModel& Viewer() { return viewer_; }
    // The MIDI files chosen last, the latest first.
    const std::vector<std::string>& RecentFiles() const { return recentFiles_; }
    // What the log window shows: the figures so far, then every line with
    // its time.
    std::string LogText() const;

    // The output monitor: each output's level and how to draw it, the two
    // banks' captions and the legend, in the language of the moment. How
    // often it is drawn again at most.
    struct TMonitorCell {
        std::string Text;  // the level, with * while waiting, ? unconfirmed
        TRgb Background;
        TRgb Foreground;
    };
    static constexpr std::chrono::milliseconds MonitorInterval{100};
    // How often the viewer's play line moves.
    static constexpr std::chrono::milliseconds PlayViewInterval{40};
    std::array<TMonitorCell, 256> MonitorCells() const;
    std::string MonitorCaption(unsigned bank) const;
    std::string MonitorLegend() const;
    std::string MonitorTitle() const;

private:
    void SetConverterEnabled(bool enabled) override;

    // A user's command: run under the general error handler, but only once
    // no handshake waits.
    void Command(std::function<void()> command);
    void RunDeferredCommands();
    void MonitorClockRanOut();
    void PlayViewClockRanOut();
    void Run(TCommand command, int tag);
    // The general error handler: runs step, shows what it throws; false then.
    bool Guarded(const std::function<void()>& step) noexcept;

    // The settings file, found once.
    const std::filesystem::path& SettingsFile();
    void LoadSettingsStep();
    void SaveSettingsStep();
    // The MIDI file to convert, chosen in a dialog, the recent list or by a drop.
    void ChooseMidiFile(const std::string& name);
    // Shows a sequence file in the viewer, which says what is wrong with it.
    void ShowInViewer(const std::string& seqFileName, TViewerPage page);
    void CheckLanguageItem();
    void CheckMidiInItems();
    void SelectComPort(const std::string& name);
    std::string Label(LabelEntry entry) const;
    // A port or device display: prefix, value and, when the value is chosen
    // but not open, why in the tooltip and the alert colour.
    TValueLabel LinkLabel(LabelEntry entry, const std::string& value, const TLinkStatus& status,
                          const std::vector<std::string>& words) const;

    TWindowSeams seams_;
    AppSettings settings_;
    TMidiFile MidiFile1;
    std::unique_ptr<TLiveSession> session_;
    std::unique_ptr<TTimerClock> commandClock_;
    std::unique_ptr<TTimerClock> monitorClock_;
    std::unique_ptr<TTimerClock> playViewClock_;
    std::string playedFile_;  // the viewer's file the session holds as its show
    std::uint64_t monitorRevision_ = ~std::uint64_t{0};
    std::deque<std::function<void()>> deferred_;
    TSeqViewerModel viewer_;
    // The settings file, once found at start-up; the recent list lives beside it.
    std::filesystem::path settingsFile_;
    std::vector<std::string> recentFiles_;
    bool recentFilesChanged_ = false;
    // The items of the MIDI menus by Tag - 1: the devices, then a saved one
    // that is absent.
    std::vector<std::string> midiItemNames_;
    std::vector<std::string> serialPortNames_;
    bool closed_ = false;
};

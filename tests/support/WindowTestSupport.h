#pragma once
// What the tests of the window model share: a face that records what it is
// told, the owner's message loop with clocks run out by hand, serial ports
// that reach only the simulators a test names, and the model built on them
// with recording dialogs, answered prompts and virtual MIDI devices.

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "FileDialogs.h"
#include "ManualClock.h"
#include "ModalTestDialogs.h"
#include "MessageLoop.h"
#include "PortNamePrompt.h"
#include "RecordingIndicator.h"
#include "SimulatedDevice.h"
#include "TempDir.h"
#include "VirtualMidiDeviceLayer.h"
#include "WindowModel.h"
#include "WindowView.h"

// A face that keeps what it was told, radio groups and all.
class TRecordingView final : public TWindowView {
public:
    void SetText(TControl control, const std::string& text) override { texts[control] = text; }
    void SetValueLabel(TControl label, const TValueLabel& value) override { labels[label] = value; }
    void Check(TControl item) override;
    void ClearChecks(TRadioGroup group) override { checked_.erase(group); }
    void SetItems(TControl slot, const std::vector<TRunTimeItem>& items) override;
    void CheckItem(TControl slot, std::size_t index) override;
    void SetSelected(TControl picture, bool isSelected) override { selected[picture] = isSelected; }
    void SetEnabled(TControl control, bool isEnabled) override { enabled[control] = isEnabled; }
    void PopUp(TControl menu) override { popUps.push_back(menu); }
    void ShowAboutBox() override { ++aboutBoxes; }
    void ShowForm(TControl form) override { formsShown.push_back(form); }
    int Number(TControl numberBox) const override
    {
        const auto set = numbers.find(numberBox);
        return set != numbers.end() ? set->second : ControlSpec(numberBox).Initial;
    }
    void ShowMonitor() override { monitorVisible = true; }
    void RefreshMonitor() override { ++monitorRefreshed; }
    bool MonitorVisible() const override { return monitorVisible; }
    void ShowSequenceViewer() override { viewerVisible = true; ++viewerShown; }
    void RefreshSequenceViewer() override { ++viewerRefreshed; }
    bool SequenceViewerVisible() const override { return viewerVisible; }
    void RedrawSequenceViewer() override { ++viewerRedrawn; }
    void ShowLog() override { logShown = true; }
    void RefreshLog() override { ++logRefreshed; }
    void CloseWindow() override;

    // The text a label shows: its value after its prefix when it has one.
    std::string LabelText(TControl label) const;
    bool Checked(TControl item) const;
    bool CheckedItem(TControl slot, std::size_t index) const;
    // The captions of a slot's items.
    std::vector<std::string> Captions(TControl slot) const;

    std::map<TControl, std::string> texts;
    std::map<TControl, TValueLabel> labels;
    std::map<TControl, std::vector<TRunTimeItem>> items;
    std::map<TControl, bool> selected;
    std::map<TControl, bool> enabled;
    std::vector<TControl> popUps;
    int aboutBoxes = 0;
    std::vector<TControl> formsShown;
    std::map<TControl, int> numbers;  // what the user typed in a number box
    bool monitorVisible = false;
    int monitorRefreshed = 0;
    int viewerShown = 0;
    int viewerRefreshed = 0;
    int viewerRedrawn = 0;
    bool viewerVisible = false;
    bool logShown = false;
    int logRefreshed = 0;
    // The window's close box: set by the test to the model to close.
    TWindowModel* closes = nullptr;
    bool closed = false;

private:
    struct TChecked {
        TControl control = TControl::None;  // an item, or the slot of a run-time item
        std::size_t index = 0;
    };
    std::map<TRadioGroup, TChecked> checked_;
};

// The plain event loop with every clock but the loop's own run out by hand:
// nothing depends on how fast the machine is.
class TManualMessageLoop final : public TMessageLoop {
public:
    TMessagePump& Pump() override { return loop; }
    TAckClock& AckClock() override { return ackClock; }
    std::unique_ptr<TTimerClock> NewClock(std::string_view name, std::function<void()> onRunOut) override;
    std::unique_ptr<TNotificationTarget> NewNotificationTarget() override;
    std::chrono::system_clock::time_point Now() override { return now; }

    // Runs the named clock out when it is running: its handler runs. False
    // when it was not running.
    bool RunOut(const std::string& name);
    bool Running(const std::string& name) const;

    TEventLoop loop;
    TManualClock ackClock;
    // The time of day the session tells; the test moves it.
    std::chrono::system_clock::time_point now{std::chrono::seconds(1'796'761'865)};

private:
    class TClock;
    std::map<std::string, TClock*> clocks_;
};

class TAnsweredFileDialogs final : public TFileDialogs {
public:
    std::optional<std::string> OpenMidiFile(const std::string&) override { return Next(midiAnswers); }
    std::optional<std::string> SaveSeqFile(const std::string& proposed) override
    {
        seqProposed.push_back(proposed);
        return Next(seqAnswers);
    }

    std::deque<std::optional<std::string>> midiAnswers;  // an empty queue cancels
    std::deque<std::optional<std::string>> seqAnswers;
    std::vector<std::string> seqProposed;  // what each save dialog started with

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers);
};

class TAnsweredPortPrompt final : public TPortNamePrompt {
public:
    std::optional<std::string> AskPortName(const std::string& question, const std::string& current) override
    {
        questions.push_back(question);
        proposed.push_back(current);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> questions;
    std::vector<std::string> proposed;
};

// Opens the simulators' ports by their own names and the names a test maps
// to them ("COM7"); every other name ("COM1") is refused as not found, so
// that no test touches the machine's own serial ports.
class TMappedSerialPorts final : public TSerialPorts {
public:
    TComHandle Open(const std::string& name) override;
    TOpenProblem LastOpenProblem() const override { return lastProblem_; }

    // name opens device's port from now on.
    void Map(const std::string& name, const TSimulatedDevice& device) { paths[name] = device.SlavePath(); }
    std::map<std::string, std::string> paths;

private:
    TSimulatedPorts system_;
    TOpenProblem lastProblem_ = TOpenProblem::None;
};

// The window model on recording seams, in a fresh folder.
struct TModelRig {
    TModelRig();
    ~TModelRig();

    // Builds the model and runs its start-up, from the settings lines given
    // (none: no settings file).
    TWindowModel& Start(const std::vector<std::string>& settingsLines = {});
    std::string SettingsPath() const { return dir.File("TOREMMidiToSeqBridge.cfg"); }
    // A simulated device, started on first use.
    TSimulatedDevice& Device();
    // Runs the loop until done() holds; false after FailureBound.
    bool RunUntil(const std::function<bool()>& done);

    TTempDir dir;
    TManualMessageLoop loop;
    TRecordingView view;
    // Boxes process the loop while they are up, as the window's do.
    TModalTestDialogs dialogs{loop.loop};
    TAnsweredFileDialogs files;
    TAnsweredPortPrompt prompt;
    TVirtualMidiDeviceLayer midi;
    TMappedSerialPorts ports;
    std::vector<std::string> systemPorts;
    TRecordingIndicator indicator;
    std::unique_ptr<TSimulatedDevice> device;
    std::unique_ptr<TWindowModel> model;
};

// A warning as the box shows it: the time of day, then the text.
std::string Stamped(const TManualMessageLoop& loop, const std::string& text);
// A warning's text without the time the box shows before it.
std::string Untimed(const std::string& boxText);

// The lines of a settings file as the program writes them with the defaults.
std::vector<std::string> DefaultSettingsLines();
// The lines of a settings file with these values, naming the MIDI device
// "Keys A".
std::vector<std::string> SettingsLines(const std::string& language, const std::string& resolution,
                                       const std::string& comPort, const std::string& mode,
                                       const std::string& transpose);

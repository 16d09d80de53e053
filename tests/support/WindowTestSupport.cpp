#include "WindowTestSupport.h"

#include <fstream>
#include <regex>

#include "LoopNotificationTarget.h"
#include "LoopUntil.h"
#include "Utf8.h"
#include "WaitUntil.h"

// ---------------------------------------------------------------------------
// TRecordingView

void TRecordingView::Check(TControl item)
{
    checked_[ControlSpec(item).Group] = {item, 0};
}

void TRecordingView::CheckItem(TControl slot, std::size_t index)
{
    if (index >= items[slot].size())
        throw std::out_of_range("no item " + std::to_string(index) + " in " + ControlSpec(slot).Name);
    checked_[ControlSpec(slot).Group] = {slot, index};
}

void TRecordingView::SetItems(TControl slot, const std::vector<TRunTimeItem>& newItems)
{
    // Gone with its item, as a toolkit's radio group loses it.
    TChecked& checked = checked_[ControlSpec(slot).Group];
    if (checked.control == slot)
        checked = {};
    items[slot] = newItems;
}

void TRecordingView::CloseWindow()
{
    closed = true;
    if (closes != nullptr)
        closes->FormClose();
}

std::string TRecordingView::LabelText(TControl label) const
{
    if (const auto value = labels.find(label); value != labels.end())
        return value->second.Prefix + value->second.Value + value->second.Suffix;
    const auto text = texts.find(label);
    return text != texts.end() ? text->second : DesignCaption(ControlSpec(label));
}

bool TRecordingView::Checked(TControl item) const
{
    const auto checked = checked_.find(ControlSpec(item).Group);
    return checked != checked_.end() && checked->second.control == item;
}

bool TRecordingView::CheckedItem(TControl slot, std::size_t index) const
{
    const auto checked = checked_.find(ControlSpec(slot).Group);
    return checked != checked_.end() && checked->second.control == slot && checked->second.index == index;
}

std::vector<std::string> TRecordingView::Captions(TControl slot) const
{
    std::vector<std::string> captions;
    if (const auto found = items.find(slot); found != items.end())
        for (const TRunTimeItem& item : found->second)
            captions.push_back(item.Caption);
    return captions;
}

// ---------------------------------------------------------------------------
// TManualMessageLoop

class TManualMessageLoop::TClock final : public TTimerClock {
public:
    TClock(std::map<std::string, TClock*>& clocks, std::string name, std::function<void()> onRunOut)
        : clocks_(clocks), name_(std::move(name)), onRunOut_(std::move(onRunOut))
    {
        clocks_[name_] = this;
    }
    ~TClock() override { clocks_.erase(name_); }
    TClock(const TClock&) = delete;
    TClock& operator=(const TClock&) = delete;

    void Start(std::chrono::milliseconds) override { enabled_ = true; }
    void Stop() override { enabled_ = false; }
    bool Enabled() const override { return enabled_; }
    void RunOut()
    {
        enabled_ = false;
        onRunOut_();
    }

private:
    std::map<std::string, TClock*>& clocks_;
    std::string name_;
    std::function<void()> onRunOut_;
    bool enabled_ = false;
};

std::unique_ptr<TTimerClock> TManualMessageLoop::NewClock(std::string_view name, std::function<void()> onRunOut)
{
    return std::make_unique<TClock>(clocks_, std::string(name), std::move(onRunOut));
}

std::unique_ptr<TNotificationTarget> TManualMessageLoop::NewNotificationTarget()
{
    return std::make_unique<TLoopNotificationTarget>(loop);
}

bool TManualMessageLoop::RunOut(const std::string& name)
{
    const auto clock = clocks_.find(name);
    if (clock == clocks_.end() || !clock->second->Enabled())
        return false;
    clock->second->RunOut();
    return true;
}

bool TManualMessageLoop::Running(const std::string& name) const
{
    const auto clock = clocks_.find(name);
    return clock != clocks_.end() && clock->second->Enabled();
}

// ---------------------------------------------------------------------------
// Answered dialogs and mapped ports

std::optional<std::string> TAnsweredFileDialogs::Next(std::deque<std::optional<std::string>>& answers)
{
    if (answers.empty())
        return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

TComHandle TMappedSerialPorts::Open(const std::string& name)
{
    const auto mapped = paths.find(name);
    std::string target = mapped != paths.end() ? mapped->second : name;
    bool known = mapped != paths.end();
    for (const auto& [alias, path] : paths)
        known = known || path == name;
    if (!known) {
        lastProblem_ = TOpenProblem::NotFound;  // as if the machine had no such port
        return {};
    }
    TComHandle handle = system_.Open(target);
    lastProblem_ = system_.LastOpenProblem();
    return handle;
}

// ---------------------------------------------------------------------------
// TModelRig

TModelRig::TModelRig()
{
    view.closes = nullptr;
}

TModelRig::~TModelRig()
{
    if (model != nullptr)
        model->FormClose();
    model.reset();
}

TWindowModel& TModelRig::Start(const std::vector<std::string>& settingsLines)
{
    if (!settingsLines.empty()) {
        std::ofstream file(SettingsPath(), std::ios::binary);
        for (const std::string& line : settingsLines)
            file << line << "\r\n";
    }
    const TWindowServices services{dialogs, files, prompt, midi, ports, [this] { return systemPorts; },
                                   PathFromUtf8(SettingsPath())};
    model = std::make_unique<TWindowModel>(TWindowSeams{services, view, loop, indicator});
    view.closes = model.get();
    model->FormCreate();
    return *model;
}

TSimulatedDevice& TModelRig::Device()
{
    if (device == nullptr) {
        device = std::make_unique<TSimulatedDevice>();
        device->Start();
        ports.Map(device->SlavePath(), *device);
    }
    return *device;
}

bool TModelRig::RunUntil(const std::function<bool()>& done)
{
    // Looked at every few milliseconds: the device's answers and the
    // clocks run out by hand do not wake the loop.
    const auto bound = std::chrono::steady_clock::now() + FailureBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > bound)
            return done();
        loop.loop.RunOnce(std::chrono::milliseconds(5));
    }
    return true;
}

std::string Stamped(const TManualMessageLoop& loop, const std::string& text)
{
    return TLiveSession::TimeOfDay(loop.now) + "  " + text;
}

std::string Untimed(const std::string& boxText)
{
    static const std::regex time(R"(^\d\d:\d\d:\d\d  )");
    return std::regex_replace(boxText, time, "");
}

std::vector<std::string> DefaultSettingsLines()
{
    return {"Settings File of TOREM Midi To TOREM Sequence Bridge", "Language :", "English", "Midi File :", "",
            "Resolution :", "1000", "Seq File :", "", "Port COM :", "", "Port Midi In :", "", "Mode :", "1",
            "Transpose Value :", "5"};
}

std::vector<std::string> SettingsLines(const std::string& language, const std::string& resolution,
                                       const std::string& comPort, const std::string& mode,
                                       const std::string& transpose)
{
    std::vector<std::string> lines = DefaultSettingsLines();
    lines[2] = language;
    lines[6] = resolution;
    lines[10] = comPort;
    lines[12] = "Keys A";
    lines[14] = mode;
    lines[16] = transpose;
    return lines;
}

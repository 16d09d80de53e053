#include "LiveBridgeRig.h"

#include "LoopNotificationTarget.h"

namespace {

// The devices must exist before the input component counts them.
TMidiDeviceLayer& WithKeyboards(TVirtualMidiDeviceLayer& layer)
{
    layer.AddDevice(TLiveBridgeRig::FirstKeyboardName);
    layer.AddDevice(TLiveBridgeRig::SecondKeyboardName);
    return layer;
}

} // namespace

TLiveBridgeRig::TLiveBridgeRig(const TSimOptions& options)
    : Sim(options),
      OtherSim(options),
      Link(Ports, AckClock, Loop),
      MidiInput(WithKeyboards(Keyboards), std::make_unique<TLoopNotificationTarget>(Loop)),
      Dialogs(Loop),
      Lamp(Loop),
      Indicator(&Lamp),
      Drain(Loop, [this] { Bridge.DrainClockRanOut(); }),
      Bridge(Settings, MidiInput, Link, Dialogs, Indicator, TLiveBridge::TClocks{Watch, Drain}),
      AckWatch(Loop, std::chrono::milliseconds(0),
               [this] {
                   if (ackRunOutCondition && ackRunOutCondition()) {
                       ackRunOutCondition = nullptr;
                       AckWatch.SetEnabled(false);
                       AckClock.RunOut();
                   }
               })
{
    MidiInput.SetCapacity(4096);
    Lamp.SetOnTimer([this] { Bridge.Timer2Timer(); });
    Sim.Start();
    OtherSim.Start();
}

TLiveBridgeRig::~TLiveBridgeRig()
{
    ShutDownLikeTheWindow(Bridge, Settings);
}

void ShutDownLikeTheWindow(TLiveBridge& bridge, const AppSettings& settings)
{
    bridge.BeginShutdown();
    try {
        bridge.CloseMidiInPort();
    } catch (const EMidiInputError&) {
        // A test that made the device fail; nothing is left to release.
    }
    if (settings.ComPortOpen)
        bridge.CloseComPort();
}

void TLiveBridgeRig::StartUp(bool openComPort)
{
    Settings.ComPortName = Sim.SlavePath();
    Settings.MidiInPortName = FirstKeyboardName;
    Settings.ComPortOpen = false;
    if (openComPort)
        Bridge.OpenComPort();
    Settings.MidiInOpen = false;
    Bridge.OpenMidiInPort();
    Bridge.StartWatching();
}

void TLiveBridgeRig::Tick()
{
    Watch.RunOut();
    Bridge.WatchClockRanOut();
}

bool TLiveBridgeRig::Settle()
{
    return RunUntil([&] {
        return MidiInput.MessageCount() == 0 && Settings.SendContacts.empty() && !Settings.SendBusy;
    });
}

bool TLiveBridgeRig::PlayAndSettle(std::uint16_t keyboard, std::vector<TMidiMessage> messages)
{
    TKeyboardPlayer player(Keyboards, keyboard, std::move(messages));
    return RunUntil([&] { return player.Done(); }) && Settle();
}

void TLiveBridgeRig::RunOutAckClockWhen(std::function<bool()> condition)
{
    ackRunOutCondition = std::move(condition);
    AckWatch.SetEnabled(true);
}

bool TLiveBridgeRig::RunUntil(const std::function<bool()>& done)
{
    return RunLoopUntil(Loop, done);
}

bool TLiveBridgeRig::Play(std::uint16_t keyboard, std::vector<TMidiMessage> messages, std::size_t changes)
{
    const std::uint64_t target = Sim.ChangeCount() + changes;
    TKeyboardPlayer player(Keyboards, keyboard, std::move(messages));
    return RunUntil([&] { return player.Done() && MidiInput.MessageCount() == 0 && Sim.ChangeCount() >= target; });
}

std::vector<std::uint8_t> Wire(const std::vector<TOutputChange>& changes)
{
    std::vector<std::uint8_t> bytes;
    for (const TOutputChange& change : changes)
        bytes.insert(bytes.end(), {TRs232Link::StartByte, change.Output, change.Level});
    return bytes;
}

// A whole live session through the window: a virtual MIDI keyboard played
// from another thread, the device simulator on a pseudo-terminal, both
// chosen from the menus as a user would.

#include <gtest/gtest.h>

#include <thread>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "Controls.h"
#include "GuiTestSupport.h"

namespace {

using LiveSession = TWindowTest;

const QColor Red(255, 0, 0);
const QColor Maroon(128, 0, 0);

// Plays on the virtual device from a thread of its own, as a driver would.
void Play(TWindowRig& rig, std::vector<std::array<std::uint8_t, 3>> messages)
{
    std::thread player([&rig, messages] {
        for (const auto& m : messages)
            rig.midi.InjectShort(0, m[0], m[1], m[2]);
    });
    player.join();
}

TEST_F(LiveSession, NotesPlayedOnTheChosenDeviceReachTheChosenPortAndFlashTheLamp)
{
    rig.midi.AddDevice("TOREM Keys");
    TDeviceSimulator& device = rig.Device();
    TForm1& window = rig.Start();
    window.show();
    ASSERT_FALSE(window.Settings().ComPortOpen);  // COM1 is no port here
    EXPECT_EQ(rig.Find<QTimer>("Timer1")->interval(), 1000);
    EXPECT_EQ(rig.Find<QTimer>("Timer2")->interval(), 100);
    rig.HoldTimers();

    // The MIDI device from the pop-up of SpeedButton5.
    QTest::mouseClick(rig.Find<QToolButton>("SpeedButton5"), Qt::LeftButton);
    ASSERT_TRUE(ProcessUntil([&] { return rig.Find<QMenu>("PopupMenu4")->isVisible(); }));
    rig.Item("MidiInPortPopUp1")->trigger();
    rig.Find<QMenu>("PopupMenu4")->hide();
    EXPECT_TRUE(rig.Checked("MidiInPortMenu1"));
    EXPECT_EQ(rig.LabelText("Label3"), Blanks(13) + "Midi Port Input : TOREM Keys");
    ASSERT_TRUE(rig.midi.IsStarted(0));

    // The simulator's port through "Other port...", proposing the current one.
    rig.prompt.answer = " " + device.SlavePath() + " ";
    rig.Item("OtherPortMenu")->trigger();
    EXPECT_EQ(rig.prompt.questions, std::vector<std::string>{"Serial port name or path:"});
    EXPECT_EQ(rig.prompt.proposed, std::vector<std::string>{"COM1"});
    ASSERT_TRUE(window.Settings().ComPortOpen);
    EXPECT_EQ(window.Settings().ComPortName, device.SlavePath());
    EXPECT_TRUE(rig.Checked("OtherPortMenu") && rig.Checked("OtherPortPopUp"));
    // The path does not fit the label: it is elided in the middle, and the
    // tooltip has all of it.
    const std::string shown = rig.LabelText("Label7");
    ASSERT_EQ(shown.rfind(Blanks(13) + "Port COM : /", 0), 0u) << shown;
    EXPECT_NE(shown.find("…"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 1), device.SlavePath().substr(device.SlavePath().size() - 1));
    EXPECT_EQ(rig.Find<QLabel>("Label7")->toolTip().toStdString(), device.SlavePath());

    auto* lamp = rig.Find<TShape>("Shape5");
    Play(rig, {{0x90, 60, 100}, {0x91, 3, 127}, {0x80, 60, 0}});
    ASSERT_TRUE(ProcessUntil([&] { return device.ChangeCount() == 3; }));
    EXPECT_EQ(device.Changes(), (std::vector<TOutputChange>{{60, 201}, {131, 255}, {60, 0}}));
    EXPECT_EQ(lamp->BrushColor(), Red);
    ASSERT_TRUE(rig.RunOut("Timer2"));
    EXPECT_EQ(lamp->BrushColor(), Maroon) << "dark once Timer2 ran out";

    // One octave up, dry contact, from the menus.
    rig.Item("UP1OctaveMenu")->trigger();
    rig.Item("Contactor1")->trigger();
    Play(rig, {{0x90, 60, 10}, {0x90, 61, 0}});
    ASSERT_TRUE(ProcessUntil([&] { return device.ChangeCount() == 5; }));
    EXPECT_EQ(device.Changes().back(), (TOutputChange{73, 0}));
    EXPECT_EQ(device.Level(72), 255);
    EXPECT_TRUE(rig.dialogs.TextsOf(TTestDialogs::Kind::Warning).size() == 1u) << "only COM1's at start";

    // None closes the device; the port stays open.
    rig.Item("None2")->trigger();
    EXPECT_FALSE(rig.midi.IsOpen(0));
    EXPECT_TRUE(window.Settings().ComPortOpen);
}

TEST_F(LiveSession, ACommandGivenWhileAHandshakeWaitsRunsOnceItIsOver)
{
    rig.midi.AddDevice("TOREM Keys");
    TDeviceSimulator& device = rig.Device();
    rig.ports.paths["COM3"] = device.SlavePath();
    TForm1& window = rig.Start();
    rig.HoldTimers();
    rig.Item("MidiInPortMenu1")->trigger();
    rig.Item("COM31")->trigger();
    ASSERT_TRUE(window.Settings().ComPortOpen);

    // The user picks another port just as a note goes out to a device that
    // answers late: the port change waits for the handshake, which ends well.
    device.SetBehaviour({.Delay = std::chrono::milliseconds(100)});
    bool pickedDuringWait = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (window.Settings().SendBusy && !pickedDuringWait) {
            pickedDuringWait = true;
            rig.Item("COM22")->trigger();
        }
    });
    watcher.start(0);
    Play(rig, {{0x90, 60, 100}});
    ASSERT_TRUE(ProcessUntil([&] { return window.Settings().ComPortName == "COM2"; }));
    watcher.stop();

    EXPECT_TRUE(pickedDuringWait);
    EXPECT_EQ(device.Changes(), (std::vector<TOutputChange>{{60, 201}}));
    EXPECT_EQ(rig.dialogs.TextsOf(TTestDialogs::Kind::Warning),
              (std::vector<std::string>{"COM1 : Opening Error of COM port", "COM2 : Opening Error of COM port"}));
}

TEST_F(LiveSession, AllOutputsOffSendsZeroToEveryOutputNotKnownToBeAtZero)
{
    TDeviceSimulator& device = rig.Device();
    rig.ports.paths["COM3"] = device.SlavePath();
    TForm1& window = rig.Start();
    rig.Item("COM31")->trigger();
    ASSERT_TRUE(window.Settings().ComPortOpen);
    EXPECT_EQ(rig.Item("AllOff1")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));

    rig.Item("AllOffPopUp")->trigger();
    ASSERT_TRUE(ProcessUntil([&] { return device.ChangeCount() == 256; }));
    EXPECT_EQ(device.Levels(), (std::array<std::uint8_t, 256>{}));
    // Everything is known to be at 0 now: nothing more goes out.
    rig.Item("AllOff1")->trigger();
    ASSERT_TRUE(ProcessPending());
    EXPECT_EQ(device.ChangeCount(), 256u);
    EXPECT_TRUE(window.Settings().SendContacts.empty());
}

}  // namespace

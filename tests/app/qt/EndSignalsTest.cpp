// SIGTERM, SIGINT and SIGHUP close the window as File > Exit does, also
// while a modal box is open or before the window is built; the signals are
// raised in this process, so their handler really runs.

#include <gtest/gtest.h>

#include <csignal>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "DeviceSimulator.h"
#include "EndSignals.h"
#include "GuiTestSupport.h"
#include "Help.h"
#include "QtDialogs.h"

namespace {

// Processes events for as long as the window is shown.
void ProcessWhileVisible(const QWidget& window)
{
    while (window.isVisible())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct TEnding {
    std::string settings;
    bool boxesShown;
    bool midiOpen;
    bool comOpen;
};

// A window with a MIDI device and a serial port open and two settings
// changed, ended by end(window).
TEnding EndAWindow(const std::function<void(TForm1&, TWindowRig&)>& end)
{
    TWindowRig rig;
    rig.midi.AddDevice("Keys A");
    TDeviceSimulator device;
    device.Start();
    rig.ports.paths["COM2"] = device.SlavePath();
    rig.WriteSettings({"Settings File of TOREM Midi To TOREM Sequence Bridge", "Language :", "English",
                       "Midi File :", "", "Resolution :", "500", "Seq File :", "", "Port COM :", "COM2",
                       "Port Midi In :", "Keys A", "Mode :", "1", "Transpose Value :", "4"});
    TForm1& window = rig.Start();
    EXPECT_TRUE(window.Settings().ComPortOpen && rig.midi.IsOpen(0));
    window.show();
    rig.Item("French1")->trigger();
    rig.Item("N100ms1")->trigger();
    end(window, rig);
    EXPECT_FALSE(window.isVisible());
    return TEnding{ReadFileBytes(rig.SettingsPath()), !rig.dialogs.shown.empty(), rig.midi.IsOpen(0),
                   window.Settings().ComPortOpen || window.Settings().ComPortHandle != nullptr};
}

TEST(EndSignals, EachSignalEndsTheProgramExactlyAsFileExit)
{
    const TEnding exit = EndAWindow([](TForm1&, TWindowRig& rig) { rig.Item("Exit1")->trigger(); });
    EXPECT_NE(exit.settings.find("\r\nFrench\r\n"), std::string::npos);
    EXPECT_NE(exit.settings.find("\r\n100\r\n"), std::string::npos);

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const TEnding ended = EndAWindow([signal](TForm1& window, TWindowRig&) {
            TEndSignals endSignals;
            endSignals.CloseOnSignal(window);
            std::raise(signal);
            ProcessWhileVisible(window);
        });
        EXPECT_EQ(ended.settings, exit.settings);
        EXPECT_FALSE(ended.boxesShown);
        EXPECT_FALSE(ended.midiOpen);
        EXPECT_FALSE(ended.comOpen);
    }
}

TEST(EndSignals, AnOpenModalBoxIsClosedFirst)
{
    const TEnding ended = EndAWindow([](TForm1& window, TWindowRig&) {
        TEndSignals endSignals;
        endSignals.CloseOnSignal(window);
        TForm2 about(window.Model(), &window);
        window.SetAboutBox(&about);
        bool aboutWasOpen = false;
        QTimer::singleShot(0, [&] {
            aboutWasOpen = QApplication::activeModalWidget() == &about;
            std::raise(SIGTERM);
        });
        window.Model().About1Click();  // returns once the box is closed
        EXPECT_TRUE(aboutWasOpen);
        EXPECT_FALSE(about.isVisible());
        ProcessWhileVisible(window);
    });
    EXPECT_NE(ended.settings.find("\r\nFrench\r\n"), std::string::npos);
    EXPECT_FALSE(ended.midiOpen || ended.comOpen);
}

TEST(EndSignals, ABoxOpenedAfterTheSignalClosesAtOnceAndItsTextGoesToStderr)
{
    EnsureApplication();
    TEndSignals endSignals;
    std::raise(SIGTERM);
    QApplication::processEvents();
    testing::internal::CaptureStderr();
    // Nobody answers at the end of a session: exec returns by itself.
    MakeMessageBox(TMessageKind::Warning, "Erreur E/S 13\n/x/settings.cfg: Permission denied", nullptr)->exec();
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find(": Erreur E/S 13\n/x/settings.cfg: Permission denied\n"), std::string::npos) << told;
}

TEST(EndSignals, ASignalDuringStartUpClosesTheWindowOnceItIsBuilt)
{
    TWindowRig rig;
    TEndSignals endSignals;
    std::raise(SIGTERM);
    QApplication::processEvents();  // the signal is taken while nothing can be closed
    TForm1& window = rig.Start();
    window.show();
    window.Model().French1Click();
    endSignals.CloseOnSignal(window);
    ProcessWhileVisible(window);
    EXPECT_NE(ReadFileBytes(rig.SettingsPath()).find("\r\nFrench\r\n"), std::string::npos);
}

TEST(EndSignals, ThePreviousHandlersComeBackAndAnIgnoredSignalStaysIgnored)
{
    EnsureApplication();
    const auto handlerOf = [](int signal) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        return action.sa_handler;
    };
    const auto previousTerm = std::signal(SIGTERM, SIG_DFL);
    const auto previousHup = std::signal(SIGHUP, SIG_IGN);
    {
        TEndSignals endSignals;
        EXPECT_NE(handlerOf(SIGTERM), SIG_DFL);
        EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN) << "as nohup left it";
    }
    EXPECT_EQ(handlerOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    std::signal(SIGTERM, previousTerm);
    std::signal(SIGHUP, previousHup);
}

}  // namespace

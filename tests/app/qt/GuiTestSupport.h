#pragma once
// What the window tests share: a Qt application made on first use (so that
// listing the tests needs no display), the window with answered prompts,
// recording dialogs, virtual MIDI devices, serial ports that open
// pseudo-terminals and a simulated device, Qt's events processed until
// something happened, and the fixtures of the Qt tests.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "DeviceSimulator.h"
#include "ModalTestDialogs.h"
#include "QtMessagePump.h"
#include "TempDir.h"
#include "VirtualMidiDeviceLayer.h"
#include "WindowTestSupport.h"
#include "WaitUntil.h"
#include "main.h"

class QAction;
class QTimer;
class TPictureBox;

// The offscreen platform (unless another is set), a private runtime
// directory, and one QApplication for the process.
void EnsureApplication();

// Processes events until done() holds (true) or FailureBound has passed.
bool ProcessUntil(const std::function<bool()>& done);

// Processes every event posted so far: a marker event posted behind them is
// waited for. How a test shows that nothing more happens, without waiting
// for it not to.
bool ProcessPending();

// Everything one window needs, in a fresh directory.
struct TWindowRig {
    TWindowRig();
    ~TWindowRig();

    // Creates the window (FormCreate runs).
    TForm1& Start();
    // Writes the settings file, then creates the window.
    TForm1& StartWith(const std::vector<std::string>& settingsLines);
    std::string SettingsPath() const { return dir.File("TOREMMidiToSeqBridge.cfg"); }
    // Writes the settings file, lines joined with CR LF.
    void WriteSettings(const std::vector<std::string>& lines) const;

    template <class T>
    T* Find(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return found;
    }
    QAction* Item(const char* name) const;
    std::string LabelText(const char* name) const;
    bool Checked(const char* item) const;
    // True when the picture shows the selected look (Image6).
    bool Selected(const char* picture) const;

    // A simulated device on a pseudo-terminal, started on first use.
    TDeviceSimulator& Device();

    // Timer1 (the acknowledgement clock) and Timer2 (the lamp) are left to
    // run for a day, so a slow machine can neither fail a handshake nor
    // darken the lamp before the test looks; RunOut then runs one out now.
    void HoldTimers();
    // Lets the timer fire at once and processes events until it has
    // stopped itself; it keeps the held interval for its next start.
    bool RunOut(const char* timerName);

    TTempDir dir;
    TQtMessagePump pump;
    TModalTestDialogs dialogs{pump};  // Qt's events are processed while a box is up
    TAnsweredFileDialogs files;
    TAnsweredPortPrompt prompt;
    TVirtualMidiDeviceLayer midi;
    TMappedSerialPorts ports;
    std::vector<std::string> systemPorts;
    std::unique_ptr<TDeviceSimulator> device;
    std::unique_ptr<TForm1> window;
};

// The Qt tests: the application exists before the test body runs.
class TQtTest : public ::testing::Test {
protected:
    TQtTest() { EnsureApplication(); }
};

// The window tests: a fresh rig each.
class TWindowTest : public TQtTest {
protected:
    TWindowRig rig;
};

std::string Blanks(int count);

// torem-bridge: the TOREM bridge's window, on the system's MIDI devices and
// serial ports, with its settings file beside the executable or in the
// user's settings folder.

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "Artwork.h"
#include "CommandLine.h"
#include "DisplayCheck.h"
#include "Help.h"
#include "QtDialogs.h"
#include "QtFileDialogs.h"
#include "QtPortNamePrompt.h"
#include "SystemMidiDevices.h"
#include "SystemSerialPorts.h"
#include "main.h"

#ifndef _WIN32
#include "EndSignals.h"
#endif

namespace {

constexpr char Program[] = "torem-bridge";

const char* const Usage =
    "Usage: torem-bridge [--help | --version]\n"
    "\n"
    "Opens the TOREM bridge window: converts Standard MIDI Files into TOREM\n"
    "sequence files, and plays live MIDI notes on a TOREM device over a serial\n"
    "port. The choices made in the window are kept in TOREMMidiToSeqBridge.cfg,\n"
    "beside the program when its folder can be written, otherwise in\n"
    "$XDG_CONFIG_HOME/torem-bridge (~/.config/torem-bridge).\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> operands;
    if (const auto exitCode = ReadOperands(argc, argv, Program, Usage, operands))
        return *exitCode;
    if (!operands.empty())
        return UsageError(Program, "unexpected argument " + operands.front());
#if defined(__unix__) && !defined(__APPLE__)
    // Qt would abort with a core dump; say it in one line instead.
    if (!HasDisplay({std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), std::getenv("QT_QPA_PLATFORM")})) {
        std::cerr << Program << ": " << NoDisplayMessage << '\n';
        return 1;
    }
#endif

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TOREM Bridge"));
    // Lets a Wayland desktop find the menu entry, and with it the icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TOREM_DESKTOP_ID));
    QApplication::setWindowIcon(Artwork::ApplicationIcon());
#ifndef _WIN32
    // Before the window: a signal during its start-up is kept for later.
    TEndSignals endSignals;
#endif

    TQtDialogs dialogs;
    TQtFileDialogs fileDialogs;
    TQtPortNamePrompt portNamePrompt;
    TSystemMidiDevices midiDevices;
    TSystemSerialPorts serialPorts;
    const auto adoptDialogs = [&](QWidget& window) {
        dialogs.SetParent(&window);
        fileDialogs.SetParent(&window);
        portNamePrompt.SetParent(&window);
    };
    const TForm1Services services{
        {dialogs, fileDialogs, portNamePrompt, midiDevices, serialPorts, SystemSerialPortPaths, {}}, adoptDialogs};

    TForm1 Form1(services);
    TForm2 Form2(Form1.Model(), &Form1);
    Form1.SetAboutBox(&Form2);

    Form1.show();
#ifndef _WIN32
    endSignals.CloseOnSignal(Form1);
#endif
    return application.exec();
}

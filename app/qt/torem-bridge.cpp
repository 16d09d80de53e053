// torem-bridge: the TOREM bridge's window, on the system's MIDI devices and
// serial ports, with its settings file beside the executable.

#include <QApplication>

#include "Help.h"
#include "QtDialogs.h"
#include "QtFileDialogs.h"
#include "QtPortNamePrompt.h"
#include "SystemSerialPorts.h"
#include "main.h"

#if defined(TOREM_HAVE_RTMIDI)
#include "RtMidiDeviceLayer.h"
using TSystemMidiDevices = TRtMidiDeviceLayer;
#elif defined(_WIN32)
#include "WinMmDeviceLayer.h"
using TSystemMidiDevices = TWinMmDeviceLayer;
#else
#include "NoMidiDeviceLayer.h"
using TSystemMidiDevices = TNoMidiDeviceLayer;  // built without a MIDI system
#endif

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TOREM Bridge"));

    TQtDialogs dialogs;
    TQtFileDialogs fileDialogs;
    TQtPortNamePrompt portNamePrompt;
    TSystemMidiDevices midiDevices;
    TSystemSerialPorts serialPorts;
    const TForm1Services services{dialogs, fileDialogs, portNamePrompt, midiDevices, serialPorts,
                                  SystemSerialPortPaths, {}};

    TForm1 Form1(services);
    dialogs.SetParent(&Form1);
    fileDialogs.SetParent(&Form1);
    portNamePrompt.SetParent(&Form1);
    TForm2 Form2(Form1.Settings());
    Form1.SetAboutBox(&Form2);

    Form1.show();
    return application.exec();
}

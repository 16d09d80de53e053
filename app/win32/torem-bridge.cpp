// torem-bridge.exe: the TOREM bridge's window on Windows, on the system's
// MIDI devices (the Windows multimedia calls) and serial ports, with its
// settings file beside the program or in %APPDATA%\TOREM bridge.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Help.h"
#include "SystemMidiDevices.h"
#include "SystemSerialPorts.h"
#include "Utf8.h"
#include "Win32Dialogs.h"
#include "main.h"

namespace {

constexpr char Program[] = "torem-bridge";

const char* const Usage =
    "Usage: torem-bridge [--help | --version]\n"
    "\n"
    "Opens the TOREM bridge window: converts Standard MIDI Files into TOREM\n"
    "sequence files, and plays live MIDI notes on a TOREM device over a serial\n"
    "port. The choices made in the window are kept in TOREMMidiToSeqBridge.cfg,\n"
    "beside the program when its folder can be written (not in Program Files),\n"
    "otherwise in %APPDATA%\\TOREM bridge.\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

// A program without a console of its own answers --help in the console it
// was started from, if any.
void AnswerInStartingConsole()
{
    if (GetStdHandle(STD_OUTPUT_HANDLE) != nullptr && GetStdHandle(STD_ERROR_HANDLE) != nullptr)
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    AnswerInStartingConsole();
    std::vector<std::string> operands;
    if (const auto exitCode = ReadOperands(__argc, __argv, Program, Usage, operands))
        return *exitCode;
    if (!operands.empty())
        return UsageError(Program, "unexpected argument " + operands.front());

    TWin32Dialogs dialogs;
    TSystemMidiDevices midiDevices;
    TSystemSerialPorts serialPorts;
    const TForm1Services services{
        {dialogs, dialogs, dialogs, midiDevices, serialPorts, SystemSerialPortPaths, {}},
        [&](HWND window) { dialogs.SetOwner(window); },
        0};
    try {
        TForm1 Form1(services);
        TForm2 Form2(Form1.Model(), Form1.Window(), Form1.Scale());
        Form1.SetAboutBox(&Form2);
        ShowWindow(Form1.Window(), show);
        UpdateWindow(Form1.Window());
        // A warning of the start-up stands before the window it belongs to.
        if (HWND box = dialogs.NoWaitBox())
            SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            // The box that does not wait takes its keys (Enter, Escape).
            if (HWND box = dialogs.NoWaitBox(); box != nullptr && IsDialogMessageW(box, &message))
                continue;
            if (Form1.TranslateKeys(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return static_cast<int>(message.wParam);
    } catch (const std::exception& e) {
        // No window (no display, under wine), or no message window.
        const std::wstring text = WideFromUtf8(e.what());
        MessageBoxW(nullptr, text.c_str(), WideFromUtf8(WindowTitle).c_str(), MB_ICONERROR | MB_OK);
        std::fprintf(stderr, "%s: %s\n", Program, e.what());
        return 1;
    }
}

// torem-live: the live bridge without a window, for show computers without a
// screen. Plays a MIDI input device on a TOREM device over a serial port
// until Ctrl+C or SIGTERM.

#include <atomic>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "EndRequests.h"
#include "LiveConsole.h"
#include "SystemMidiDevices.h"
#include "SystemSerialPorts.h"

int main(int argc, char** argv)
{
    ShowUtf8OnConsole();
    TLiveOptions options;
    if (const auto exitCode = ReadLiveOptions(Utf8Arguments(argc, argv), options))
        return *exitCode;

    // Before any other thread starts (the MIDI system's): a request that
    // comes at any moment from now on ends the program cleanly.
    std::atomic<bool> ending{false};
    std::atomic<TEventLoop*> loop{nullptr};
    TEndRequests endRequests([&] {
        ending.store(true);
        if (TEventLoop* running = loop.load())
            running->Wake();
    });

    try {
        TSystemMidiDevices midiDevices;
        if (options.List) {
            ListDevicesAndPorts(midiDevices, SystemSerialPortPaths(), std::cout);
            std::cout.flush();
            return std::cout ? 0 : 1;
        }
        TSystemSerialPorts serialPorts;
        TLiveConsole console(options, midiDevices, serialPorts, std::cerr, &std::cout);
        loop.store(&console.Loop());
        console.Start();
        console.StartTestOrPlay();
        console.RunUntil([&] { return ending.load(); });
        console.Stop();
        loop.store(nullptr);
    } catch (const std::exception& error) {
        loop.store(nullptr);
        std::cerr << "torem-live: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

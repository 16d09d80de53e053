#pragma once
// torem-devsim run as a program, as a user runs it: started with options,
// its port read from the first line of its output, the changes it accepted
// read from the lines that follow, and killed or ended like a process.

#include <string>
#include <vector>

#include "DeviceSimulator.h"

class TDevsimProcess {
public:
    // Starts the program; Port() is empty when it did not say its port.
    TDevsimProcess(const std::string& program, const std::vector<std::string>& options);
    // Kills it if it still runs.
    ~TDevsimProcess();
    TDevsimProcess(const TDevsimProcess&) = delete;
    TDevsimProcess& operator=(const TDevsimProcess&) = delete;

    const std::string& Port() const { return port_; }

    // Reads what it has printed since the last call (never waits) and
    // returns every change it accepted so far, in order.
    const std::vector<TOutputChange>& Changes();

    // SIGKILL: it ends at once, as if it crashed or was unplugged; its
    // --link goes with it, as an unplugged device's name does.
    void Kill();
    // SIGTERM: it ends cleanly; returns the lines it printed at its end
    // (the --state line, for one).
    std::vector<std::string> Terminate();

private:
    void Take(const std::string& line);
    void ReadAvailable();

    int pid_ = -1;
    int output_ = -1;
    std::string port_;
    std::string link_;
    std::string pending_;
    std::vector<TOutputChange> changes_;
    std::vector<std::string> other_;
};

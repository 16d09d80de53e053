#pragma once
// A JACK dummy server of the test's own, under a name no other test or
// program uses, so that a test may stop and start it. The test process's
// clients find it through JACK_DEFAULT_SERVER, which the constructor sets
// before any client is made.
//
// And a MIDI source on it, as a keyboard or sequencer program would be:
// an RtMidiOut with one port, "client:port".

#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

// True once the server of that name (the default one if empty) takes a
// client and a MIDI port. A JACK 1 server takes clients a moment before its
// driver has made the port buffers, and refuses every port meanwhile.
bool JackServerTakesMidiPorts(const std::string& name = {});

class TJackServer {
public:
    // Names the server; starts nothing yet.
    TJackServer();
    // Stops the server if it runs.
    ~TJackServer();
    TJackServer(const TJackServer&) = delete;
    TJackServer& operator=(const TJackServer&) = delete;

    // Starts jackd with the dummy driver; false if it does not answer within
    // FailureBound.
    bool Start();
    // Stops it (SIGTERM, then SIGKILL) and waits until it is gone.
    void Stop();
    bool Running() const { return pid_ > 0; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    int pid_ = -1;
};

class TJackSource {
public:
    // Opens port on the running server as client ("client:port"); false
    // from Open when it cannot.
    TJackSource(std::string client, std::string port);
    ~TJackSource();
    bool Open();
    // Why the last Open failed, as RtMidi said it.
    const std::string& LastError() const { return lastError_; }
    void Close();
    std::string Name() const { return client_ + ":" + port_; }
    // A short message; the source's JACK buffer holds about a hundred per
    // period, so long bursts are paced by the caller.
    void Send(std::vector<unsigned char> bytes);

private:
    std::string client_;
    std::string port_;
    std::unique_ptr<RtMidiOut> out_;
    std::string lastError_;
};

#include "JackServer.h"

#include <RtMidi.h>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "WaitUntil.h"

namespace {

extern "C" void Silent(const char*) {}

struct TErrorFlag {
    std::atomic<bool> Raised{false};
    std::string Text;
    static void OnError(RtMidiError::Type, const std::string& text, void* user)
    {
        auto* flag = static_cast<TErrorFlag*>(user);
        if (!flag->Raised)
            flag->Text = text;
        flag->Raised = true;
    }
};

}  // namespace

bool JackServerTakesMidiPorts(const std::string& name)
{
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);
    jack_status_t status{};
    jack_client_t* probe =
        name.empty() ? jack_client_open("torem-probe", JackNoStartServer, &status)
                     : jack_client_open("torem-probe", JackOptions(JackNoStartServer | JackServerName), &status,
                                        name.c_str());
    if (probe == nullptr)
        return false;
    const bool takes = jack_port_register(probe, "probe", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0) != nullptr;
    jack_client_close(probe);  // and its port with it
    return takes;
}

TJackServer::TJackServer() : name_("torem-test-" + std::to_string(getpid()))
{
    // A server that stops must not take the test process with it.
    std::signal(SIGPIPE, SIG_IGN);
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
}

TJackServer::~TJackServer()
{
    Stop();
}

bool TJackServer::Start()
{
    if (Running())
        return true;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execlp("jackd", "jackd", "-n", name_.c_str(), "-r", "-d", "dummy", "-r", "48000", "-p", "256",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    return WaitUntil([&] {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;  // it ended: no jackd, or the name was taken
            return true;
        }
        return JackServerTakesMidiPorts(name_);
    }) && Running();
}

void TJackServer::Stop()
{
    if (!Running())
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, std::chrono::seconds(10))) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

TJackSource::TJackSource(std::string client, std::string port) : client_(std::move(client)), port_(std::move(port)) {}

TJackSource::~TJackSource()
{
    Close();
}

bool TJackSource::Open()
{
    Close();
    TErrorFlag error;
    try {
        out_ = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, client_);
        out_->setErrorCallback(&TErrorFlag::OnError, &error);
        out_->getPortCount();  // a warning here means no server: opening would crash
        if (!error.Raised)
            out_->openVirtualPort(port_);
    } catch (const RtMidiError& e) {
        error.Text = e.getMessage();
        error.Raised = true;
    }
    lastError_ = error.Raised ? error.Text : std::string();
    if (error.Raised)
        out_.reset();
    return out_ != nullptr;
}

void TJackSource::Close()
{
    out_.reset();
}

void TJackSource::Send(std::vector<unsigned char> bytes)
{
    if (out_)
        out_->sendMessage(&bytes);
}

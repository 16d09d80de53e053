#include "DevsimProcess.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "WaitUntil.h"

TDevsimProcess::TDevsimProcess(const std::string& program, const std::vector<std::string>& options)
{
    for (std::size_t i = 0; i + 1 < options.size(); ++i)
        if (options[i] == "--link")
            link_ = options[i + 1];
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return;
    }
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDERR_FILENO);
        close(pipeFds[0]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& option : options)
            argv.push_back(const_cast<char*>(option.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    pid_ = pid;
    output_ = pipeFds[0];
    fcntl(output_, F_SETFL, O_NONBLOCK);
    WaitUntil([&] {
        ReadAvailable();
        return !port_.empty();
    });
}

TDevsimProcess::~TDevsimProcess()
{
    Kill();
    if (output_ >= 0)
        close(output_);
}

void TDevsimProcess::Take(const std::string& line)
{
    if (port_.empty()) {
        port_ = line;
        return;
    }
    std::istringstream fields(line);
    unsigned output = 0;
    unsigned level = 0;
    if (fields >> output >> level && output < 256 && level < 256)
        changes_.push_back({static_cast<std::uint8_t>(output), static_cast<std::uint8_t>(level)});
    else
        other_.push_back(line);
}

void TDevsimProcess::ReadAvailable()
{
    if (output_ < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        Take(pending_.substr(0, end));
        pending_.erase(0, end + 1);
    }
}

const std::vector<TOutputChange>& TDevsimProcess::Changes()
{
    ReadAvailable();
    return changes_;
}

void TDevsimProcess::Kill()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    ReadAvailable();
    // Left behind, the link would lead to the terminal number that the
    // system soon hands to another program; a later simulator's link stays.
    std::error_code error;
    if (!link_.empty() && std::filesystem::read_symlink(link_, error) == port_)
        std::filesystem::remove(link_, error);
}

std::vector<std::string> TDevsimProcess::Terminate()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // Everything it wrote is in the pipe now; read it to the end.
    fcntl(output_, F_SETFL, 0);
    ReadAvailable();
    return other_;
}

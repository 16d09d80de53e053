#include "ProgramRun.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

extern char** environ;

namespace {

std::vector<char*> NullTerminated(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

TRunningProgram::TRunningProgram(const std::filesystem::path& program, const TProgramOptions& options)
{
    // Everything the child needs is made before fork: after it, only calls
    // that are safe in a child of a threaded process.
    std::vector<std::string> arguments{program.string()};
    arguments.insert(arguments.end(), options.Arguments.begin(), options.Arguments.end());
    std::vector<std::string> environment = options.Environment.value_or(std::vector<std::string>{});
    std::vector<char*> argv = NullTerminated(arguments);
    std::vector<char*> envp = NullTerminated(environment);
    char* const* childEnvironment = options.Environment ? envp.data() : environ;
    const std::string workingDirectory = options.WorkingDirectory.string();
    const std::string out = output_.File("out");
    const std::string err = output_.File("err");
    const bool dropRights = options.Unprivileged && geteuid() == 0;

    // Blocked across fork, so that even a signal sent the moment fork returns
    // finds them blocked in the child.
    sigset_t endSignals;
    sigset_t previous;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, &previous);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!options.EndSignalsBlocked)
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nullFd = open("/dev/null", O_RDONLY);
        if (outFd < 0 || errFd < 0 || nullFd < 0 || dup2(nullFd, 0) < 0 || dup2(outFd, 1) < 0 ||
            dup2(errFd, 2) < 0)
            _exit(127);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        if (dropRights && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
        execve(argv[0], argv.data(), childEnvironment);
        _exit(127);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    process_ = pid;
    if (pid < 0)
        throw std::runtime_error("cannot start " + program.string() + ": fork failed with " +
                                 std::to_string(forkError));
}

TRunningProgram::~TRunningProgram()
{
    if (process_ > 0) {
        kill(static_cast<pid_t>(process_), SIGKILL);
        waitpid(static_cast<pid_t>(process_), nullptr, 0);
    }
}

void TRunningProgram::Signal(int signal)
{
    if (process_ > 0)
        kill(static_cast<pid_t>(process_), signal);
}

TProgramResult TRunningProgram::Wait()
{
    int status = 0;
    while (waitpid(static_cast<pid_t>(process_), &status, 0) < 0 && errno == EINTR) {
    }
    process_ = -1;
    TProgramResult result;
    if (WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.Signal = WTERMSIG(status);
    result.Out = ReadFileBytes(output_.File("out"));
    result.Err = ReadFileBytes(output_.File("err"));
    return result;
}



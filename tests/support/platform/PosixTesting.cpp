#include "PosixTesting.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <system_error>

namespace {

// Virtual memory the process has now, in bytes.
std::uint64_t VirtualMemory()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

TChildEnd RunInChild(const std::function<int()>& body, const TChildOptions& options)
{
    const rlim_t memory = options.MoreMemory != 0 ? VirtualMemory() + options.MoreMemory : RLIM_INFINITY;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (options.Unprivileged && ::geteuid() == 0 && (::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0))
            _exit(90);
        if (options.FileSizeLimit != 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{options.FileSizeLimit, options.FileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.MoreMemory != 0) {
            const rlimit limit{memory, memory};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        _exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    TChildEnd end;
    if (WIFEXITED(status))
        end.ExitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        end.Signal = WTERMSIG(status);
    return end;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

unsigned EffectiveUserId()
{
    return ::geteuid();
}

unsigned EffectiveGroupId()
{
    return ::getegid();
}

void ChangeOwner(const std::filesystem::path& path, const TOwner& owner)
{
    if (::lchown(path.c_str(), owner.User, owner.Group) != 0)
        throw std::system_error(errno, std::generic_category(), "chown " + path.string());
}

TOwner OwnerOf(const std::filesystem::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw std::system_error(errno, std::generic_category(), "stat " + path.string());
    return TOwner{status.st_uid, status.st_gid};
}

int ShellExitCode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

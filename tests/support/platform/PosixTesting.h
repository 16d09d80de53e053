#pragma once
// What the tests of the file rules need of POSIX: a piece of a test run in
// a child process of its own, as another user or within limits, and the
// owners of files. POSIX only.

#include <cstdint>
#include <filesystem>
#include <functional>

// The user and group "nobody", whom a test running as root acts as.
inline constexpr unsigned NobodyId = 65534;

struct TChildOptions {
    // As nobody when the test runs as root (CI does), so that file
    // permissions apply.
    bool Unprivileged = false;
    // The largest file the child may write (RLIMIT_FSIZE), SIGXFSZ ignored
    // so that a write past it fails with EFBIG; 0 for no limit.
    std::uint64_t FileSizeLimit = 0;
    // Address space the child may take beyond what the test has now; 0 for
    // no limit.
    std::uint64_t MoreMemory = 0;
};

struct TChildEnd {
    int ExitCode = -1;  // -1 when a signal ended it
    int Signal = 0;     // the signal that ended it, 0 when it exited
};

// Runs body in a forked child, which exits with what body returns (90 when
// it cannot become nobody).
TChildEnd RunInChild(const std::function<int()>& body, const TChildOptions& options = {});

bool RunningAsRoot();
unsigned EffectiveUserId();
unsigned EffectiveGroupId();

struct TOwner {
    unsigned User = 0;
    unsigned Group = 0;
    bool operator==(const TOwner&) const = default;
};

// Gives path (a symbolic link itself) to user and group. Throws
// std::system_error.
void ChangeOwner(const std::filesystem::path& path, const TOwner& owner);
// Links followed. Throws std::system_error.
TOwner OwnerOf(const std::filesystem::path& path);

// How std::system's status ends: the exit code, -1 for a signal.
int ShellExitCode(int status);

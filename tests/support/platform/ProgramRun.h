#pragma once
// One of the project's programs run as a user would run it, from a test: its
// arguments, an environment of its own, signals sent to it, and what it
// printed and how it ended. On Windows the arguments and the environment go
// to the program as UTF-16, whatever the code page, and the CR LF line ends
// of what it printed read as LF.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"

struct TProgramOptions {
    std::vector<std::string> Arguments;
    // "NAME=value" entries replacing the whole environment; the test's own
    // environment when unset.
    std::optional<std::vector<std::string>> Environment;
    // The working directory; the test's own when empty.
    std::filesystem::path WorkingDirectory;
    // Runs as "nobody" (uid and gid 65534) when the test runs as root, so
    // that file permissions apply to the program. POSIX only.
    bool Unprivileged = false;
    // Starts the program with SIGTERM, SIGINT and SIGHUP blocked: a signal
    // sent at once stays pending until the program unblocks it, however far
    // its start-up has got, so the test needs no waiting. POSIX only.
    bool EndSignalsBlocked = false;
};

struct TProgramResult {
    int ExitCode = -1;  // -1 when a signal ended it
    int Signal = 0;     // the signal that ended it, 0 when it exited
    std::string Out;
    std::string Err;
};

class TRunningProgram {
public:
    TRunningProgram(const std::filesystem::path& program, const TProgramOptions& options);
    // Kills the program when the test did not wait for it.
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    // POSIX only.
    void Signal(int signal);
    // Waits as long as the program runs.
    TProgramResult Wait();
    // What it has printed on stderr so far (nothing while it starts).
    std::string ErrSoFar() const
    {
        try {
            return ReadFileBytes(output_.File("err"));
        } catch (const std::runtime_error&) {
            return {};
        }
    }

private:
    TTempDir output_;
    std::intptr_t process_ = -1;  // the process id, or on Windows its handle
};

inline TProgramResult RunProgram(const std::filesystem::path& program, const TProgramOptions& options = {})
{
    return TRunningProgram(program, options).Wait();
}

// torem-devsim: a TOREM device on a pseudo-terminal. Prints the port to
// open, then each change the device accepts, until SIGINT or SIGTERM.

#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "CommandLine.h"
#include "DeviceSimulator.h"

namespace {

constexpr char Program[] = "torem-devsim";

constexpr const char* Usage =
    "Usage: torem-devsim [options]\n"
    "\n"
    "Simulates a TOREM output device on a pseudo-terminal. The first line of\n"
    "output is the port to open (e.g. /dev/pts/3); then one line \"output level\"\n"
    "for each change the device accepts. Ends on Ctrl+C or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --link PATH      also make a symbolic link PATH to the port (replaces\n"
    "                   an existing link, removed at the end)\n"
    "  --view           show the 256 outputs as a live table instead of lines\n"
    "  --silent         never answer\n"
    "  --answer BYTE    answer BYTE (0-255, decimal or 0x..) instead of 0x01\n"
    "  --no-level-ack   answer the start byte but not the level\n"
    "  --delay MS       wait MS milliseconds (0-60000) before each answer\n"
    "  --drop-ack N     the Nth handshake (from 1) keeps its level but gets no\n"
    "                   level acknowledgement, once, as if the answer was lost\n"
    "  --state          at the end, print one line \"on: output=level ...\" with\n"
    "                   every output that is not at 0\n"
    "  -h, --help       show this help and end\n"
    "      --version    show the version and end\n";

struct TArgs {
    TSimBehaviour Behaviour;
    std::string LinkPath;
    bool View = false;
    bool State = false;
};

std::optional<unsigned> ParseNumber(std::string_view text, unsigned max)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// Fills args; gives the exit code when the program is to end at once (an
// answered --help or --version, or a usage mistake).
std::optional<int> ParseArgs(int argc, char** argv, TArgs& args)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (const auto answered = AnswerStandardOption(arg, Program, Usage)) {
            return answered;
        } else if (arg == "--view") {
            args.View = true;
        } else if (arg == "--state") {
            args.State = true;
        } else if (arg == "--silent") {
            args.Behaviour.Silent = true;
        } else if (arg == "--no-level-ack") {
            args.Behaviour.AckLevel = false;
        } else if (arg == "--link") {
            const char* path = value();
            if (path == nullptr)
                return UsageError(Program, std::string(arg) + " needs a value");
            args.LinkPath = path;
        } else if (arg == "--answer" || arg == "--delay" || arg == "--drop-ack") {
            const char* text = value();
            if (text == nullptr)
                return UsageError(Program, std::string(arg) + " needs a value");
            const bool answer = arg == "--answer";
            const bool drop = arg == "--drop-ack";
            const auto number = ParseNumber(text, answer ? 255u : drop ? 0xFFFFFFFFu : 60000u);
            if (!number || (drop && *number == 0)) {
                return UsageError(Program, std::string(arg) + " wants " +
                                               (answer ? "a byte value 0-255"
                                                : drop ? "a handshake number from 1"
                                                       : "milliseconds 0-60000") +
                                               ", not \"" + text + "\"");
            }
            if (answer)
                args.Behaviour.AnswerByte = static_cast<std::uint8_t>(*number);
            else if (drop)
                args.Behaviour.DropLevelAck = *number;
            else
                args.Behaviour.Delay = std::chrono::milliseconds(*number);
        } else {
            return UsageError(Program, "unknown option " + std::string(arg));
        }
    }
    return std::nullopt;
}

// Points path at target, replacing an old symbolic link but nothing else.
bool MakeLink(const std::string& path, const std::string& target)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "torem-devsim: %s exists and is not a symbolic link; left alone\n", path.c_str());
            return false;
        }
        if (unlink(path.c_str()) != 0) {
            std::fprintf(stderr, "torem-devsim: cannot replace %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
    }
    if (symlink(target.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "torem-devsim: cannot link %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Removes the link only while it is still ours.
void RemoveLink(const std::string& path, const std::string& target)
{
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    if (n >= 0 && std::string_view(buffer, static_cast<std::size_t>(n)) == target)
        (void)unlink(path.c_str());
}

// "on: output=level ..." for every output not at 0, in output order.
std::string StateLine(const std::array<std::uint8_t, 256>& levels)
{
    std::string line = "on:";
    for (std::size_t output = 0; output < levels.size(); ++output)
        if (levels[output] != 0)
            line += " " + std::to_string(output) + "=" + std::to_string(levels[output]);
    return line;
}

void DrawView(const TDeviceSimulator& sim)
{
    const auto levels = sim.Levels();
    std::string screen = "\x1b[H\x1b[2J";
    char line[128];
    std::snprintf(line, sizeof line, "TOREM device on %s   changes %llu   stray bytes %llu   dropped %llu\n\n",
                  sim.SlavePath().c_str(), static_cast<unsigned long long>(sim.ChangeCount()),
                  static_cast<unsigned long long>(sim.Violations()),
                  static_cast<unsigned long long>(sim.AbandonedFrames()));
    screen += line;
    screen += "      ";
    for (int column = 0; column < 16; ++column) {
        std::snprintf(line, sizeof line, " +%-2d", column);
        screen += line;
    }
    screen += '\n';
    for (int row = 0; row < 16; ++row) {
        std::snprintf(line, sizeof line, "%4d: ", row * 16);
        screen += line;
        for (int column = 0; column < 16; ++column) {
            const unsigned level = levels[static_cast<std::size_t>(row * 16 + column)];
            if (level == 0)
                screen += "   .";
            else {
                std::snprintf(line, sizeof line, "%4u", level);
                screen += line;
            }
        }
        screen += '\n';
    }
    std::fputs(screen.c_str(), stdout);
    std::fflush(stdout);
}

int Run(const TArgs& args, const sigset_t& endSignals)
{
    TDeviceSimulator sim({.Behaviour = args.Behaviour, .KeepHistory = false});
    if (!args.LinkPath.empty() && !MakeLink(args.LinkPath, sim.SlavePath()))
        return 1;

    std::printf("%s\n", sim.SlavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "torem-devsim: device ready on %s%s%s; Ctrl+C ends\n", sim.SlavePath().c_str(),
                 args.LinkPath.empty() ? "" : " linked as ", args.LinkPath.c_str());

    if (args.View) {
        sim.Start();
        // Redraws at most ten times a second, and only after a change.
        std::uint64_t shown = ~std::uint64_t{0};
        const timespec tick{0, 100'000'000};
        for (;;) {
            const std::uint64_t now = sim.ChangeCount() + sim.Violations() + sim.AbandonedFrames();
            if (now != shown) {
                DrawView(sim);
                shown = now;
            }
            if (sigtimedwait(&endSignals, nullptr, &tick) >= 0)
                break;
        }
    } else {
        sim.Start([](const TOutputChange& change) {
            std::printf("%u %u\n", unsigned{change.Output}, unsigned{change.Level});
            // A reader that went away ends the simulator, as it would have
            // ended a program killed by SIGPIPE, but with the link cleaned up.
            if (std::fflush(stdout) != 0)
                (void)kill(getpid(), SIGTERM);
        });
        int signal = 0;
        (void)sigwait(&endSignals, &signal);
    }

    sim.Stop();
    if (!args.LinkPath.empty())
        RemoveLink(args.LinkPath, sim.SlavePath());
    if (args.State) {
        std::printf("%s\n", StateLine(sim.Levels()).c_str());
        std::fflush(stdout);
    }
    std::fprintf(stderr, "torem-devsim: %llu changes, %llu stray bytes, %llu dropped changes\n",
                 static_cast<unsigned long long>(sim.ChangeCount()),
                 static_cast<unsigned long long>(sim.Violations()),
                 static_cast<unsigned long long>(sim.AbandonedFrames()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    TArgs args;
    if (const auto exitCode = ParseArgs(argc, argv, args))
        return *exitCode;

    // The end signals are taken synchronously by the main thread; blocked
    // before the simulator's thread starts, so it inherits the mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        return Run(args, endSignals);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "torem-devsim: %s\n", error.what());
        return 1;
    }
}

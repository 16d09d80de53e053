#include "LiveConsole.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "CommandLine.h"
#include "ShowChanges.h"
#include "Text.h"

namespace {

constexpr char Program[] = "torem-live";

}  // namespace

const char* const LiveUsage =
    "Usage: torem-live --port PORT --midi DEVICE [--mode proportional|dry] [--transpose N] [--view]\n"
    "       torem-live --port PORT --test output N LEVEL | range A B LEVEL | off [--view]\n"
    "       torem-live --port PORT --test chase [--from A] [--to B] [--level L] [--rate STEPS] [--view]\n"
    "       torem-live --port PORT --play FILE.seq [--from SECONDS] [--view]\n"
    "       torem-live --port PORT --play FILE.mid [--resolution MS] [--from SECONDS] [--view]\n"
    "       torem-live --list\n"
    "\n"
    "Plays the notes of a MIDI input device on a TOREM device over a serial port,\n"
    "without a window: notes on MIDI channel 1 drive outputs 0 to 127, channel 2\n"
    "outputs 128 to 255. A port or device that cannot be opened, or that goes\n"
    "away, is tried again about once a second. Each change of state is told in\n"
    "one line on stderr. Ctrl+C or SIGTERM (Ctrl+Break on Windows) closes the\n"
    "device and the port and ends.\n"
    "\n"
    "Without a MIDI device it checks the rig: one output at a level, a range of\n"
    "outputs at a level (both held until Ctrl+C), all outputs off, or a chase\n"
    "through a range, each output on for a step then off, ending by itself; or it\n"
    "plays a show on the device in real time, a sequence file or a MIDI file\n"
    "converted in memory, ending at the end of the show. What a test or a show\n"
    "lit is switched off when it ends or is stopped. With --midi too, live notes\n"
    "play meanwhile.\n"
    "\n"
    "  --port PORT        the serial port: COM1, COM12, /dev/ttyUSB0, ...\n"
    "  --midi DEVICE      the MIDI input device, by the name --list shows\n"
    "  --mode MODE        proportional (level 2v + 1, the default) or dry (255)\n"
    "  --transpose N      shift the notes by N octaves, -4 to 4 (default 0)\n"
    "  --test WHAT        output N LEVEL, range A B LEVEL, chase, or off\n"
    "  --from A, --to B   the chase's first and last output (0 and 255)\n"
    "  --level L          the chase's level (255)\n"
    "  --rate STEPS       the chase's steps a second (4)\n"
    "  --play FILE        a sequence file, or a MIDI file to convert in memory\n"
    "  --resolution MS    of a MIDI file played: 100, 250, 500 or 1000 (default)\n"
    "  --from SECONDS     where the show starts playing (0)\n"
    "  --view             draw the 256 outputs as a live table on stdout: the level\n"
    "                     wanted, * while it waits for the device, ? unconfirmed\n"
    "  --list             list the MIDI input devices and the serial ports, and end\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n";

namespace {

// A whole number from min to max, or nothing.
std::optional<long> Number(const std::string& text, long min, long max)
{
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + (text.rfind('+', 0) == 0 ? 1 : 0), end, value);
    if (text.empty() || error != std::errc{} || stop != end || value < min || value > max)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> ReadLiveOptions(const std::vector<std::string>& arguments, TLiveOptions& options)
{
    TChase chase;
    std::optional<std::string> from;  // an output for a chase, seconds for a play
    bool chaseOptions = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (const auto answered = AnswerStandardOption(arg, Program, LiveUsage))
            return answered;
        if (arg == "--list" || arg == "--view") {
            (arg == "--list" ? options.List : options.View) = true;
            continue;
        }
        if (arg.empty() || arg[0] != '-')
            return UsageError(Program, "unexpected argument " + arg);

        // "--name value" or "--name=value"; a value may start with '-'.
        const std::string::size_type equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        static const std::vector<std::string> valued = {"--port", "--midi", "--mode", "--transpose", "--test",
                                                        "--from", "--to", "--level", "--rate", "--play",
                                                        "--resolution"};
        if (std::find(valued.begin(), valued.end(), name) == valued.end())
            return UsageError(Program, "unknown option " + arg);
        std::string value;
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            return UsageError(Program, name + " needs a value");
        // The numbers that follow "--test output" and "--test range".
        const auto next = [&]() -> std::optional<long> {
            return i + 1 < arguments.size() ? Number(arguments[++i], 0, 255) : std::nullopt;
        };

        if (name == "--port") {
            options.Port = value;
        } else if (name == "--midi") {
            options.Midi = value;
        } else if (name == "--mode") {
            if (value != "proportional" && value != "dry")
                return UsageError(Program, "the mode is proportional or dry, not '" + value + "'");
            options.MidiMode = value == "dry" ? MidiModeValue::DryContact : MidiModeValue::Proportional;
        } else if (name == "--transpose") {
            const auto octaves = Number(value, -4, 4);
            if (!octaves)
                return UsageError(Program, "the transposition is -4 to 4 octaves, not '" + value + "'");
            options.TransposeIndex = static_cast<std::uint8_t>(5 + *octaves);
        } else if (name == "--test") {
            TTestOptions test;
            using K = TTestOptions::TKind;
            if (value == "output") {
                test.Kind = K::Output;
                const auto output = next();
                const auto level = output ? next() : std::nullopt;
                if (!level)
                    return UsageError(Program, "--test output needs an output and a level, 0 to 255");
                test.Chase.From = test.Chase.To = static_cast<std::uint8_t>(*output);
                test.Chase.Level = static_cast<std::uint8_t>(*level);
            } else if (value == "range") {
                test.Kind = K::Range;
                const auto first = next();
                const auto last = first ? next() : std::nullopt;
                const auto level = last ? next() : std::nullopt;
                if (!level || *last < *first)
                    return UsageError(Program, "--test range needs a first and a last output, 0 to 255 in that "
                                               "order, and a level");
                test.Chase.From = static_cast<std::uint8_t>(*first);
                test.Chase.To = static_cast<std::uint8_t>(*last);
                test.Chase.Level = static_cast<std::uint8_t>(*level);
            } else if (value == "chase" || value == "off") {
                test.Kind = value == "chase" ? K::Chase : K::Off;
            } else {
                return UsageError(Program, "--test takes output, range, chase or off, not '" + value + "'");
            }
            options.Test = test;
        } else if (name == "--from") {
            from = value;
        } else if (name == "--to" || name == "--level") {
            const auto number = Number(value, 0, 255);
            if (!number)
                return UsageError(Program, name + " is 0 to 255, not '" + value + "'");
            chaseOptions = true;
            (name == "--to" ? chase.To : chase.Level) = static_cast<std::uint8_t>(*number);
        } else if (name == "--rate") {
            char* end = nullptr;
            const double rate = std::strtod(value.c_str(), &end);
            if (value.empty() || end != value.c_str() + value.size() || !(rate > 0) || rate > 1000)
                return UsageError(Program, "the rate is steps a second above 0 and at most 1000, not '" + value + "'");
            chaseOptions = true;
            chase.StepsPerSecond = rate;
        } else if (name == "--play") {
            options.Play = value;
        } else {
            const auto ms = Number(value, 0, 65535);
            if (!ms || (*ms != 100 && *ms != 250 && *ms != 500 && *ms != 1000))
                return UsageError(Program, "the resolution is 100, 250, 500 or 1000 ms, not '" + value + "'");
            options.ResolutionMs = static_cast<std::uint16_t>(*ms);
        }
    }
    if (options.List)
        return std::nullopt;
    const bool chasing = options.Test && options.Test->Kind == TTestOptions::TKind::Chase;
    if (options.Test && !options.Play.empty())
        return UsageError(Program, "--test and --play are one at a time");
    if (chaseOptions && !chasing)
        return UsageError(Program, "--to, --level and --rate are for --test chase");
    if (from) {
        if (chasing) {
            const auto output = Number(*from, 0, 255);
            if (!output)
                return UsageError(Program, "--from is 0 to 255 for a chase, not '" + *from + "'");
            chase.From = static_cast<std::uint8_t>(*output);
        } else if (!options.Play.empty()) {
            const auto seconds = Number(*from, 0, 24 * 3600);
            if (!seconds)
                return UsageError(Program, "--from is the seconds into the show, not '" + *from + "'");
            options.FromMs = static_cast<std::uint32_t>(*seconds) * 1000;
        } else {
            return UsageError(Program, "--from is for --test chase or --play");
        }
    }
    if (chasing) {
        if (chase.To < chase.From)
            return UsageError(Program, "the chase goes from --from up to --to");
        options.Test->Chase = chase;
    }
    if (options.Port.empty())
        return UsageError(Program, "--port is needed");
    if (options.Midi.empty() && !options.Test && options.Play.empty())
        return UsageError(Program, "--midi is needed, unless a --test or a --play is given");
    return std::nullopt;
}

void ListDevicesAndPorts(TMidiDeviceLayer& midi, const std::vector<std::string>& ports, std::ostream& out)
{
    out << "MIDI input devices:\n";
    const std::uint16_t count = midi.DeviceCount();
    if (count == 0)
        out << (midi.MidiSystemFound() ? "  (none)\n" : "  (none: no MIDI system answers)\n");
    for (std::uint16_t index = 0; index < count; ++index) {
        std::string name;
        if (midi.DeviceName(index, name) == MidiResult::NoError)
            out << "  " << name << '\n';
    }
    out << "Serial ports:\n";
    if (ports.empty())
        out << "  (none found; any device path may still be given)\n";
    for (const std::string& port : ports)
        out << "  " << port << '\n';
}

// Boxes become lines; there is nobody to answer a question.
// Boxes become lines; there is nobody to answer a question. The bridge's
// warnings are lines of the session's log already.
class TLiveConsole::TConsoleDialogs final : public TDialogs {
public:
    explicit TConsoleDialogs(TLiveConsole& console) : console_(console) {}
    void Warning(const std::string& text) override { console_.Tell("warning: " + text); }
    void WarningNoWait(const std::string&) override {}
    void Information(const std::string& text) override { console_.Tell(text); }
    bool Confirmation(const std::string&) override { return false; }

private:
    TLiveConsole& console_;
};

// No lamp to flash on a console.
class TLiveConsole::TNoLamp final : public TActivityIndicator {
public:
    void SetLit(bool) override {}
    void RestartClock() override {}
    void StopClock() override {}
};

TLiveConsole::TLiveConsole(const TLiveOptions& options, TMidiDeviceLayer& midi, TSerialPorts& ports,
                           std::ostream& log, std::ostream* view)
    : log_(log), dialogs_(std::make_unique<TConsoleDialogs>(*this)), lamp_(std::make_unique<TNoLamp>()),
      options_(options), view_(view)
{
    settings_.LanguageIndex = LanguageEnglish;
    settings_.ComPortName = options.Port;
    settings_.MidiInPortName = options.Midi;
    settings_.MidiMode = options.MidiMode;
    settings_.TransposeIndex = options.TransposeIndex;
    session_ = std::make_unique<TLiveSession>(settings_, TLiveSession::TSeams{messageLoop_, midi, ports, *dialogs_, *lamp_});
    session_->SetOnLog([this](const TLogEntry& entry) { Told(entry); });
    session_->SetOnTestEnded([this] { finished_ = true; });
    session_->SetOnPlayEnded([this] { finished_ = true; });
    if (options.View && view_ != nullptr) {
        // Redrawn at most ten times a second, and only after a change.
        viewTimer_ = std::make_unique<TLoopTimer>(loop_, std::chrono::milliseconds(100), [this] { DrawView(); });
        viewTimer_->SetEnabled(true);
    }
}

void TLiveConsole::DrawView()
{
    const std::uint64_t revision = session_->Bridge().Revision();
    if (view_ == nullptr || revision == shownRevision_)
        return;
    shownRevision_ = revision;
    *view_ << "\x1b[H\x1b[2J" << session_->MonitorText(LanguageEnglish) << std::flush;
}

void TLiveConsole::StartTestOrPlay()
{
    if (options_.Test) {
        const TChase& chase = options_.Test->Chase;
        switch (options_.Test->Kind) {
        case TTestOptions::TKind::Output: session_->TestOutput(chase.From, chase.Level); break;
        case TTestOptions::TKind::Range: session_->TestRange(chase.From, chase.To, chase.Level); break;
        case TTestOptions::TKind::Chase: session_->TestChase(chase); break;
        case TTestOptions::TKind::Off:
            session_->AllOutputsOff();
            session_->Bridge().SendWaiting();
            finished_ = true;
            break;
        }
    } else if (!options_.Play.empty()) {
        TShow show = ReadShow(options_.Play, options_.ResolutionMs);
        session_->LoadShow(std::move(show.Changes), show.ResolutionMs, options_.Play);
        session_->Play(options_.FromMs);
    }
}

TLiveConsole::~TLiveConsole()
{
    try {
        Stop();
    } catch (...) {
        // Ending anyway; Stop has told what failed.
    }
    session_->SetOnLog(nullptr);
}

void TLiveConsole::Start()
{
    session_->Start();
}

void TLiveConsole::RunUntil(const std::function<bool()>& endRequested)
{
    while (!endRequested() && !finished_) {
        try {
            loop_.RunOnce(std::chrono::seconds(1));
        } catch (const std::exception& error) {
            Tell(std::string("warning: ") + error.what());
        }
    }
}

void TLiveConsole::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    session_->BeginShutdown();
    if (viewTimer_ != nullptr)
        DrawView();  // what the device was left with
    try {
        session_->Close();
    } catch (const std::exception& error) {
        Tell(std::string("warning: ") + error.what());
    }
    Tell(session_->Summary(LanguageEnglish));
}

void TLiveConsole::Tell(const std::string& line)
{
    Told({std::chrono::system_clock::now(), line});
}

void TLiveConsole::Told(const TLogEntry& entry)
{
    log_ << Program << ": " << TLiveSession::TimeOfDay(entry.When, true) << ' ' << entry.Text << std::endl;
}

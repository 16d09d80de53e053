#include "LiveConsole.h"

#include <charconv>
#include <exception>
#include <iostream>

#include "CommandLine.h"
#include "Text.h"

namespace {

constexpr char Program[] = "torem-live";

}  // namespace

const char* const LiveUsage =
    "Usage: torem-live --port PORT --midi DEVICE [--mode proportional|dry] [--transpose N]\n"
    "       torem-live --list\n"
    "\n"
    "Plays the notes of a MIDI input device on a TOREM device over a serial port,\n"
    "without a window: notes on MIDI channel 1 drive outputs 0 to 127, channel 2\n"
    "outputs 128 to 255. A port or device that cannot be opened, or that goes\n"
    "away, is tried again about once a second. Each change of state is told in\n"
    "one line on stderr. Ctrl+C or SIGTERM (Ctrl+Break on Windows) closes the\n"
    "device and the port and ends.\n"
    "\n"
    "  --port PORT      the serial port: COM1, COM12, /dev/ttyUSB0, ...\n"
    "  --midi DEVICE    the MIDI input device, by the name --list shows\n"
    "  --mode MODE      proportional (level 2v + 1, the default) or dry (255)\n"
    "  --transpose N    shift the notes by N octaves, -4 to 4 (default 0)\n"
    "  --list           list the MIDI input devices and the serial ports, and end\n"
    "  -h, --help       show this help\n"
    "      --version    show the version\n";

std::optional<int> ReadLiveOptions(const std::vector<std::string>& arguments, TLiveOptions& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (const auto answered = AnswerStandardOption(arg, Program, LiveUsage))
            return answered;
        if (arg == "--list") {
            options.List = true;
            continue;
        }
        if (arg.empty() || arg[0] != '-')
            return UsageError(Program, "unexpected argument " + arg);

        // "--name value" or "--name=value"; a value may start with '-'.
        const std::string::size_type equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name != "--port" && name != "--midi" && name != "--mode" && name != "--transpose")
            return UsageError(Program, "unknown option " + arg);
        std::string value;
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            return UsageError(Program, name + " needs a value");

        if (name == "--port") {
            options.Port = value;
        } else if (name == "--midi") {
            options.Midi = value;
        } else if (name == "--mode") {
            if (value != "proportional" && value != "dry")
                return UsageError(Program, "the mode is proportional or dry, not '" + value + "'");
            options.MidiMode = value == "dry" ? MidiModeValue::DryContact : MidiModeValue::Proportional;
        } else {
            int octaves = 0;
            const char* end = value.data() + value.size();
            const auto [stop, error] = std::from_chars(value.data() + (value.rfind('+', 0) == 0 ? 1 : 0), end, octaves);
            if (value.empty() || error != std::errc{} || stop != end || octaves < -4 || octaves > 4)
                return UsageError(Program, "the transposition is -4 to 4 octaves, not '" + value + "'");
            options.TransposeIndex = static_cast<std::uint8_t>(5 + octaves);
        }
    }
    if (!options.List && (options.Port.empty() || options.Midi.empty()))
        return UsageError(Program, "--port and --midi are both needed");
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
class TLiveConsole::TConsoleDialogs final : public TDialogs {
public:
    explicit TConsoleDialogs(TLiveConsole& console) : console_(console) {}
    void Warning(const std::string& text) override { console_.Tell("warning: " + text); }
    void WarningNoWait(const std::string& text) override { Warning(text); }
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
                           std::ostream& log)
    : log_(log), dialogs_(std::make_unique<TConsoleDialogs>(*this)), lamp_(std::make_unique<TNoLamp>())
{
    settings_.LanguageIndex = LanguageEnglish;
    settings_.ComPortName = options.Port;
    settings_.MidiInPortName = options.Midi;
    settings_.MidiMode = options.MidiMode;
    settings_.TransposeIndex = options.TransposeIndex;
    session_ = std::make_unique<TLiveSession>(settings_, TLiveSession::TSeams{messageLoop_, midi, ports, *dialogs_, *lamp_});
    session_->SetOnStatusChanged([this] { TellStatus(); });
}

TLiveConsole::~TLiveConsole()
{
    try {
        Stop();
    } catch (...) {
        // Ending anyway; Stop has told what failed.
    }
    session_->SetOnStatusChanged(nullptr);
}

void TLiveConsole::Start()
{
    session_->Start();
}

void TLiveConsole::RunUntil(const std::function<bool()>& endRequested)
{
    while (!endRequested()) {
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
    try {
        session_->Close();
    } catch (const std::exception& error) {
        Tell(std::string("warning: ") + error.what());
    }
}

void TLiveConsole::Tell(const std::string& line)
{
    log_ << Program << ": " << line << std::endl;
}

void TLiveConsole::TellStatus()
{
    // Closing what never opened is no news.
    const auto news = [](const TLinkStatus& now, const TLinkStatus& told) {
        return now != told && (now.Open || now.Problem != TLinkProblem::None || told.Open);
    };
    const TLinkStatus port = session_->PortStatus();
    if (news(port, toldPort_))
        Tell("port " + settings_.ComPortName + ": " + JoinWords(session_->PortWords(LanguageEnglish), " "));
    toldPort_ = port;
    const TLinkStatus midi = session_->DeviceStatus();
    if (news(midi, toldMidi_))
        Tell("MIDI device \"" + settings_.MidiInPortName + "\": " +
             JoinWords(session_->DeviceWords(LanguageEnglish), " "));
    toldMidi_ = midi;
}

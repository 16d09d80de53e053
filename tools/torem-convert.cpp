// torem-convert: converts a Standard MIDI File into a TOREM sequence image
// with the same command as the window's Convert button.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "CommandLine.h"
#include "ConversionCommand.h"
#include "ConversionReport.h"
#include "FileReplace.h"
#include "Resolution.h"
#include "SeqFile.h"
#include "Text.h"

namespace {

constexpr char Program[] = "torem-convert";

const char* const Usage =
    "Usage: torem-convert [-r MS | --resolution MS] [-f | --force] [--report] INPUT.mid [OUTPUT.seq]\n"
    "\n"
    "Converts the notes on MIDI channels 1 and 2 of INPUT.mid into the 65536-byte\n"
    "TOREM sequence image OUTPUT.seq (INPUT.seq beside INPUT.mid when not given).\n"
    "\n"
    "  -r, --resolution MS   time resolution: 100, 250, 500 or 1000 ms (default 1000)\n"
    "  -f, --force           replace OUTPUT.seq when it exists\n"
    "      --report          tell what the conversion changed or left out, and how\n"
    "                        much of the image it fills (lost notes are always\n"
    "                        counted on one line of stderr)\n"
    "  -h, --help            show this help\n"
    "      --version         show the version\n";

// Boxes become lines: the warning is kept for main to print with the file
// it is about; the replace question is answered by --force.
class TConsoleDialogs final : public TDialogs {
public:
    explicit TConsoleDialogs(bool force) : force_(force) {}
    void Warning(const std::string& text) override { warning = text; }
    void WarningNoWait(const std::string& text) override { Warning(text); }
    void Information(const std::string&) override {}
    bool Confirmation(const std::string&) override { return force_; }

    std::string warning;

private:
    bool force_;
};

class TNoControls final : public TConverterControls {
public:
    void SetConverterEnabled(bool) override {}
};

}  // namespace

int main(int argc, char** argv)
{
    ShowUtf8OnConsole();
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::uint16_t resolution = 1000;
    bool force = false;
    bool report = false;
    std::string files[2];
    int fileCount = 0;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string arg = args[i];
        if (const auto answered = AnswerStandardOption(arg, Program, Usage))
            return *answered;
        if (arg == "-f" || arg == "--force") {
            force = true;
        } else if (arg == "--report") {
            report = true;
        } else if (arg == "-r" || arg == "--resolution" || arg.rfind("--resolution=", 0) == 0) {
            std::string value;
            if (arg.size() > 2 && arg[1] == '-' && arg.find('=') != std::string::npos) {
                value = arg.substr(arg.find('=') + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return UsageError(Program, arg + " needs a value");
            }
            const auto chosen = std::find_if(Resolutions.begin(), Resolutions.end(), [&value](const TResolution& r) {
                return std::to_string(r.Ms) == value;
            });
            if (chosen == Resolutions.end())
                return UsageError(Program, "the resolution must be 100, 250, 500 or 1000, not '" + value + "'");
            resolution = chosen->Ms;
        } else if (arg == "--") {
            for (++i; i < args.size(); ++i) {
                if (fileCount == 2)
                    return UsageError(Program, "too many arguments");
                files[fileCount++] = args[i];
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(Program, "unknown option " + arg);
        } else {
            if (fileCount == 2)
                return UsageError(Program, "too many arguments");
            files[fileCount++] = arg;
        }
    }
    if (fileCount == 0)
        return UsageError(Program, "INPUT.mid is needed");
    if (fileCount == 1)
        files[1] = SeqFileNameFor(files[0]);

    AppSettings settings;
    settings.LanguageIndex = LanguageEnglish;
    settings.ResolutionMs = resolution;
    settings.MidiFileName = files[0];
    settings.SeqFileName = files[1];

    // An interrupted write leaves no temporary file behind.
    RemoveTemporaryFilesOnInterrupt();

    TMidiFile midiFile;
    TConsoleDialogs dialogs(force);
    TNoControls controls;
    TConversionCommand command(settings, midiFile, dialogs, controls);
    try {
        const TConversionOutcome outcome = command.Execute();
        switch (outcome) {
        case TConversionOutcome::Written:
            break;
        case TConversionOutcome::Declined:
            std::cerr << "torem-convert: " << settings.SeqFileName
                      << " already exists; use --force to replace it\n";
            return 1;
        case TConversionOutcome::SeqFileMissing:
            std::cerr << "torem-convert: " << dialogs.warning << '\n';
            return 1;
        default:  // the window's words, about the MIDI file named; a refusal's numbers indented below
            std::string lines = dialogs.warning;
            for (std::size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 3))
                lines.insert(at + 1, "  ");
            std::cerr << "torem-convert: " << settings.MidiFileName << ": " << lines << '\n';
            return 1;
        }
    } catch (const std::exception& error) {
        std::cerr << "torem-convert: " << error.what() << '\n';
        return 1;
    }

    const std::uint8_t language = settings.LanguageIndex;
    const TConversionReport& done = *command.Report();
    std::cout << Text(MessageEntry::ProcessDone, language) << ' ' << ReportSummary(done.Summary, language) << '\n';
    if (report)
        for (const std::string& line : ReportLines(done, language))
            std::cout << line << '\n';
    std::cout.flush();
    // What the window says below its completion message, as a warning.
    if (const std::string lost = LossLine(done, language); !lost.empty())
        std::cerr << "torem-convert: " << lost << '\n';
    return std::cout ? 0 : 1;
}

// torem-seq: shows what a TOREM sequence image holds, as a list of frames,
// as CSV or as a picture, and checks that a file is a valid image.

#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "CommandLine.h"
#include "FileKind.h"
#include "FileReplace.h"
#include "SeqImage.h"
#include "SeqPicture.h"
#include "SvgPicture.h"
#include "Text.h"
#include "Utf8.h"

namespace {

constexpr char Program[] = "torem-seq";

const char* const Usage =
    "Usage: torem-seq [--csv | --check | --svg OUT.svg [-f | --force]] FILE.seq\n"
    "\n"
    "Shows what the TOREM sequence image FILE.seq holds: its resolution, its\n"
    "frame bytes, and one line per frame with its slot, its time (h:mm:ss.mmm)\n"
    "and its changes as output=level.\n"
    "\n"
    "      --csv          one line per change instead: time_ms,output,level\n"
    "      --check        only check the image: exit with 0 when it is valid,\n"
    "                     else with 1 and its first fault with the fault's byte\n"
    "      --svg OUT.svg  draw the sequence into OUT.svg: time across, one row\n"
    "                     per output used, one bar per switch-on\n"
    "  -f, --force        replace OUT.svg when it exists\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n";

enum class TMode { List, Csv, Check, Svg };

// Writes the picture under the output rules of torem-convert; never over
// the image itself. The error, empty when written.
std::string WriteSvg(const TSeqImage& image, const std::string& output, const std::string& input, bool force)
{
    try {
        if (!force && OutputNameTaken(PathFromUtf8(output)))
            return output + " already exists; use --force to replace it";
        ReplaceFileContents(PathFromUtf8(output), SequenceSvg(LayOutSequence(image, LanguageEnglish)),
                            PathFromUtf8(input));
    } catch (const EFileRefused& refused) {
        return "Cannot write " + output + ": " + refused.what();
    } catch (const std::system_error& error) {
        return "Cannot write " + output + ": " + error.code().message();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    ShowUtf8OnConsole();
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::optional<TMode> chosen;
    bool force = false;
    std::string svg;
    std::string input;
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (options && IsOption(arg)) {
            if (const auto answered = AnswerStandardOption(arg, Program, Usage))
                return *answered;
            std::optional<TMode> picked;
            if (arg == "--") {
                options = false;
            } else if (arg == "-f" || arg == "--force") {
                force = true;
            } else if (arg == "--csv") {
                picked = TMode::Csv;
            } else if (arg == "--check") {
                picked = TMode::Check;
            } else if (arg == "--svg" || arg.rfind("--svg=", 0) == 0) {
                // An option after --svg is no file name (--svg -f FILE.seq);
                // a file named like one is given as --svg=-f or ./-f.
                if (arg.size() > 6)
                    svg = arg.substr(6);
                else if (i + 1 < args.size() && !(args[i + 1].size() > 1 && args[i + 1][0] == '-'))
                    svg = args[++i];
                if (svg.empty())
                    return UsageError(Program, "--svg needs the name of the SVG file to write");
                picked = TMode::Svg;
            } else {
                return UsageError(Program, "unknown option " + std::string(arg));
            }
            if (picked) {
                if (chosen && *chosen != *picked)
                    return UsageError(Program, "--csv, --check and --svg go one at a time");
                chosen = picked;
            }
        } else if (input.empty()) {
            input = arg;
        } else {
            return UsageError(Program, "too many arguments");
        }
    }
    if (input.empty())
        return UsageError(Program, "FILE.seq is needed");
    if (force && chosen != TMode::Svg)
        return UsageError(Program, "--force goes with --svg only");
    const TMode mode = chosen.value_or(TMode::List);

    TSeqImage image;
    try {
        image = ReadSeqImageFile(input);
    } catch (const ESeqImageError& error) {
        std::cerr << Program << ": " << error.what() << '\n';
        return 1;
    }
    switch (mode) {
    case TMode::List:
        std::cout << ImageListing(image);
        break;
    case TMode::Csv:
        std::cout << ImageCsv(image);
        break;
    case TMode::Check:
        std::cout << input << ": a valid sequence image: "
                  << Counted(LanguageEnglish, image.Frames.size(), "frame", "frames") << ", "
                  << Counted(LanguageEnglish, image.ChangeCount(), "change", "changes") << ", the last frame at "
                  << ClockTime(image.TimeOf(image.Frames.size() - 1)) << '\n';
        break;
    case TMode::Svg: {
        RemoveTemporaryFilesOnInterrupt();
        const std::string error = WriteSvg(image, svg, input, force);
        if (!error.empty()) {
            std::cerr << Program << ": " << error << '\n';
            return 1;
        }
        break;
    }
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

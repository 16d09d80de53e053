// torem-example-midi: writes a short demonstration MIDI file (a melody on
// channel 1, chords on channel 2) to try the converter with.

#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "CommandLine.h"
#include "FileKind.h"
#include "FileReplace.h"
#include "MidiStatus.h"
#include "SmfWriter.h"
#include "Utf8.h"

namespace {

constexpr char Program[] = "torem-example-midi";

const char* const Usage =
    "Usage: torem-example-midi [-f | --force] OUTPUT.mid\n"
    "\n"
    "Writes a short Standard MIDI File (a melody on channel 1, chords on\n"
    "channel 2) to try the converter with.\n"
    "\n"
    "  -f, --force    replace OUTPUT.mid when it exists\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n";

TSmfTrack Melody()
{
    TSmfTrack track;
    track.Meta(0, 0x03, "Melody").Tempo(0, 500000);
    const std::uint8_t notes[] = {60, 62, 64, 65, 67, 65, 64, 62, 60, 64, 67, 72, 67, 64, 60, 60};
    bool first = true;
    for (std::uint8_t note : notes) {
        // Running status after the first note-on, note-offs as velocity 0.
        if (first)
            track.Event(0, {MidiStatus::NoteOn, note, 100});
        else
            track.Event(60, {note, 100});
        first = false;
        track.Event(420, {note, 0});
    }
    return track.EndOfTrack();
}

TSmfTrack Chords()
{
    TSmfTrack track;
    track.Meta(0, 0x03, "Chords");
    const std::uint8_t chords[][3] = {{48, 52, 55}, {53, 57, 60}, {55, 59, 62}, {48, 52, 55}};
    std::uint32_t gap = 0;
    for (const auto& chord : chords) {
        track.Event(gap, {0x91, chord[0], 127}).Event(0, {0x91, chord[1], 90}).Event(0, {0x91, chord[2], 90});
        track.Event(1800, {0x81, chord[0], 64}).Event(0, {0x81, chord[1], 64}).Event(0, {0x81, chord[2], 64});
        gap = 120;
    }
    return track.EndOfTrack();
}

}  // namespace

int main(int argc, char** argv)
{
    ShowUtf8OnConsole();
    bool force = false;
    std::string output;
    bool endOfOptions = false;
    for (const std::string& argument : Utf8Arguments(argc, argv)) {
        const std::string_view arg = argument;
        if (!endOfOptions && IsOption(arg)) {
            if (const auto answered = AnswerStandardOption(arg, Program, Usage))
                return *answered;
            if (arg == "-f" || arg == "--force")
                force = true;
            else if (arg == "--")
                endOfOptions = true;
            else
                return UsageError(Program, "unknown option " + std::string(arg));
        } else if (output.empty()) {
            output = arg;
        } else {
            return UsageError(Program, "too many arguments");
        }
    }
    if (output.empty())
        return UsageError(Program, "OUTPUT.mid is needed");

    // Anything already there, even a dangling link, is the user's to keep. A
    // path that cannot be looked at (none) fails below with its own message.
    std::error_code error;
    const auto existing = std::filesystem::symlink_status(PathFromUtf8(output), error).type();
    if (!force && existing != std::filesystem::file_type::not_found && existing != std::filesystem::file_type::none) {
        std::cerr << Program << ": " << output << " already exists; use --force to replace it\n";
        return 1;
    }
    // Written as torem-convert writes its images: never a device, a folder
    // or half a file.
    RemoveTemporaryFilesOnInterrupt();
    try {
        ReplaceFileContents(PathFromUtf8(output), SmfFile(1, 480, {Melody(), Chords()}));
    } catch (const EFileRefused& refused) {
        std::cerr << Program << ": cannot write " << output << ": " << refused.what() << '\n';
        return 1;
    } catch (const std::system_error& e) {
        std::cerr << Program << ": cannot write " << output << ": " << e.code().message() << '\n';
        return 1;
    }
    return 0;
}

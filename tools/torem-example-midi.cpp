// torem-example-midi: writes a short demonstration MIDI file (a melody on
// channel 1, chords on channel 2) to try the converter with.

#include <iostream>
#include <string>

#include "SmfWriter.h"

namespace {

TSmfTrack Melody()
{
    TSmfTrack track;
    track.Meta(0, 0x03, "Melody").Tempo(0, 500000);
    const std::uint8_t notes[] = {60, 62, 64, 65, 67, 65, 64, 62, 60, 64, 67, 72, 67, 64, 60, 60};
    bool first = true;
    for (std::uint8_t note : notes) {
        // Running status after the first note-on, note-offs as velocity 0.
        if (first)
            track.Event(0, {0x90, note, 100});
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
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cerr << "Usage: torem-example-midi OUTPUT.mid\n";
        return argc == 2 ? 0 : 2;
    }
    try {
        WriteBytesToFile(argv[1], SmfFile(1, 480, {Melody(), Chords()}));
    } catch (const std::exception& error) {
        std::cerr << "torem-example-midi: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

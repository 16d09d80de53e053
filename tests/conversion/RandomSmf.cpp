#include "RandomSmf.h"

#include "SmfWriter.h"

std::string RandomSmf(std::mt19937& random)
{
    std::vector<TSmfTrack> tracks(1 + random() % 4);
    for (TSmfTrack& track : tracks) {
        bool noteStatus = false;  // running status may continue a note
        for (int n = static_cast<int>(random() % 300); n > 0; --n) {
            const auto delta = static_cast<std::uint32_t>(random() % 5 == 0 ? random() % 20000 : random() % 40);
            const auto channel = static_cast<std::uint8_t>(random() % 3);
            const auto note = static_cast<std::uint8_t>(random() % 6);
            const auto velocity = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random() % 128);
            switch (random() % 6) {
            case 0:
            case 1:
                track.Event(delta, {static_cast<std::uint8_t>(0x90 | channel), note, velocity});
                noteStatus = true;
                break;
            case 2:
                track.Event(delta, {static_cast<std::uint8_t>(0x80 | channel), note, velocity});
                noteStatus = true;
                break;
            case 3:
                if (noteStatus)
                    track.Event(delta, {note, velocity});
                break;
            case 4: track.Tempo(delta, static_cast<std::uint32_t>(1 + random() % 2000000)); break;
            default:
                track.Event(delta, {static_cast<std::uint8_t>(0xC0 | channel), note});
                noteStatus = false;
                break;
            }
        }
    }
    return SmfFile(1, static_cast<std::uint16_t>(1 + random() % 960), tracks);
}

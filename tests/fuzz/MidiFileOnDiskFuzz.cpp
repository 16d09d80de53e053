// Any bytes as a MIDI file on disk: read from the file a window at a time,
// and read again by the conversion, it gives what the same bytes give from
// memory, the same refusal or the same tracks, events and conversion; and
// the file, unchanged, is never said to have changed. A chunk nobody reads
// is put after the header chunk, of a length from the input, so that the
// events fall across the edges of the reader's windows.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "ContactEvents.h"
#include "MidiFile.h"

namespace {

struct TRead {
    std::string Error;
    std::vector<std::vector<TMidiEvent>> Events;
    std::vector<std::string> Names;
    std::vector<TUseFullMidiEvent> Notes;
    std::vector<TContactorEvent> Changes;

    bool operator==(const TRead&) const = default;
};

template <typename TLoad>
TRead Read(TLoad load)
{
    TRead read;
    TMidiFile file;
    try {
        load(file);
    } catch (const EMidiFileError& error) {
        read.Error = error.what();
        return read;
    }
    for (std::int32_t t = 0; t < file.NumberOfTracks(); ++t) {
        read.Events.push_back(file.TrackAt(t).Events());
        read.Names.push_back(file.TrackAt(t).TrackName() + '/' + file.TrackAt(t).InstrumentName());
    }
    try {
        CollectContactEvents(file, 250, read.Notes, read.Changes);
    } catch (const EMidiFileError& error) {
        // Only memory can run out; the file stays as it was read.
        if (std::string_view(error.what()).find("changed") != std::string_view::npos)
            __builtin_trap();
        read.Error = error.what();
    }
    return read;
}

const std::string& FilePath()
{
    static const std::string path = [] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "torem-midifile-disk-fuzz";
        std::filesystem::create_directories(folder);
        return (folder / "fuzz.mid").string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() >= 14 && bytes.compare(0, 8, std::string("MThd\0\0\0\x06", 8)) == 0) {
        const std::size_t pad = 65536 - 14 - 8 - static_cast<std::uint8_t>(bytes[13]) % 64;
        std::string unread = "JUNK";
        unread += {static_cast<char>(pad >> 24), static_cast<char>(pad >> 16), static_cast<char>(pad >> 8),
                   static_cast<char>(pad)};
        bytes.insert(14, unread + std::string(pad, '\0'));
    }
    {
        std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            __builtin_trap();
    }
    const TRead fromDisk = Read([](TMidiFile& file) {
        file.SetFilename(FilePath());
        file.LoadFile();
    });
    const TRead fromMemory = Read([&bytes](TMidiFile& file) { file.LoadBytes(bytes, FilePath()); });
    if (!(fromDisk == fromMemory))
        __builtin_trap();
    return 0;
}

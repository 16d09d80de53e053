#pragma once
// Standard MIDI File reader: one TMidiTrack per track chunk, each event with
// its absolute time in ticks and, for a note-on closed by a note-off, its
// length; one tempo factor for the whole file.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

enum class TFileFormat { single = 0, multi_synch = 1, multi_asynch = 2 };

struct TMidiEvent {
    std::uint8_t Status = 0;  // running status applied; 0xFF for a meta event
    std::uint8_t Data1 = 0;   // meta type for a meta event
    std::uint8_t Data2 = 0;
    std::int32_t DeltaTime = 0;
    std::int32_t Time = 0;      // ticks since the start of the track
    std::int32_t Duration = 0;  // note length for a paired note-on; -1 for the note-off that closed it
    // Data bytes of a meta event (zero bytes included); a view into the
    // track's own copy of its chunk, valid as long as the track.
    std::string_view MetaData;
};
using PMidiEvent = const TMidiEvent*;

class TMidiTrack {
public:
    std::vector<TMidiEvent> Events;
    std::string TrackName;       // data of the last meta event 0x03
    std::string InstrumentName;  // data of the last meta event 0x04
    std::int32_t CurrentTime = 0;

    std::int32_t EventCount() const { return static_cast<std::int32_t>(Events.size()); }
    // The event at index, or nullptr when the index is out of range.
    PMidiEvent EventAt(std::int32_t index) const;

private:
    friend class TMidiFile;
    std::shared_ptr<const std::string> bytes_;  // the file's bytes, behind the MetaData views
};

// Raised by LoadFile: the file cannot be opened or read, or is malformed.
class EMidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMidiFile {
public:
    const std::string& Filename() const { return filename_; }
    void SetFilename(std::string filename) { filename_ = std::move(filename); }

    // Reads the whole file named by Filename, replacing the previous tracks.
    // Throws EMidiFileError.
    void LoadFile();

    // Parses a file's bytes as LoadFile does; name only appears in error texts.
    void LoadBytes(std::string_view bytes, const std::string& name = "MIDI file");

    std::int32_t NumberOfTracks() const { return numberOfTracks_; }
    std::int32_t TicksPerQuarter() const { return ticksPerQuarter_; }
    TFileFormat FileFormat() const { return fileFormat_; }
    std::int32_t Bpm() const { return bpm_; }
    void SetBpm(std::int32_t value);
    double MicrosecondsPerTick() const { return microsecondsPerTick_; }

    // Throws std::out_of_range outside 0 .. NumberOfTracks - 1.
    const TMidiTrack& TrackAt(std::int32_t index) const;
    const std::vector<TMidiTrack>& Tracks() const { return tracks_; }

    // A file without a tempo event plays at 120 beats per minute.
    static constexpr std::uint32_t DefaultTempo = 500000;  // microseconds per quarter note

    // Track chunks of at least this many bytes in all are read side by side
    // on the machine's cores.
    static constexpr std::size_t ParallelBytes = 1 << 18;

private:
    struct TChunk;
    void Load(std::shared_ptr<const std::string> bytes, const std::string& name);
    void ReadHeaderChunk(std::string_view data, const std::string& name);
    void ApplyTempo(std::uint32_t tempo, const std::string& where);
    // Reads a track chunk's events into track; onTempo gets each tempo
    // event's index and value. Throws EMidiFileError, the track keeping the
    // events read so far.
    static void ReadTrackEvents(TMidiTrack& track, std::string_view data, const std::string& where,
                                const std::function<void(std::size_t, std::uint32_t)>& onTempo);

    std::string filename_;
    std::vector<TMidiTrack> tracks_;
    std::int32_t numberOfTracks_ = 0;
    std::int32_t ticksPerQuarter_ = 0;
    TFileFormat fileFormat_ = TFileFormat::single;
    std::int32_t bpm_ = 0;
    double microsecondsPerTick_ = 0.0;
    bool tempoSeen_ = false;
};

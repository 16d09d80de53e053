#pragma once
// Standard MIDI File reader: one TMidiTrack per track chunk, each event with
// its absolute time in ticks and, for a note-on closed by a note-off, its
// length; one tempo factor for the whole file.
//
// The events are not stored: a track's events are read again from the file
// (checked to be the file loaded) or from the bytes loaded whenever they are
// asked for, so that no event takes memory of its own. Reading a file holds
// a window of it at a time, some kilobytes, or the largest event.

#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "MidiStatus.h"

class TNotePairing;

enum class TFileFormat { single = 0, multi_synch = 1, multi_asynch = 2 };

// One event as the conversion reads it.
struct TMidiEvent {
    // A note-on status event of MIDI channel 1 or 2 (channels 0 and 1 in
    // the status byte): the events the conversion takes its notes from.
    bool IsChannel1Or2NoteOn() const
    {
        return MidiStatus::KindOf(Status) == MidiStatus::NoteOn && MidiStatus::ChannelOf(Status) < 2;
    }
    // Such an event that did not itself close a note: a note of the
    // conversion.
    bool IsCollectedNote() const { return IsChannel1Or2NoteOn() && (Duration != -1 || Closed); }

    std::int32_t Time = 0;      // ticks since the start of the track, 0 to 2^32 - 1 read as unsigned
    // Note length for a paired note-on, 0 to 2^32 - 1 read as unsigned; -1
    // for the note-off that closed it (which Closed tells from a note of
    // 2^32 - 1 ticks, read as -1 too).
    std::int32_t Duration = 0;
    std::uint8_t Status = 0;    // running status applied; MidiStatus::Meta for a meta event
    std::uint8_t Data1 = 0;     // meta type for a meta event
    std::uint8_t Data2 = 0;
    // A note-off closed this note-on status event: a Duration of 0 is then a
    // note closed at once, not one left open.
    bool Closed = false;

    bool operator==(const TMidiEvent&) const = default;
};
static_assert(sizeof(TMidiEvent) == 12, "the flag takes the padding, no room of its own");

// The first few events of a kind that a reading met, and how many there were:
// what a report lists of them.
template <typename T>
struct TFirstOf {
    static constexpr std::size_t Kept = 20;
    std::uint64_t Count = 0;
    std::vector<T> First;

    void Add(const T& item)
    {
        if (First.size() < Kept)
            First.push_back(item);
        ++Count;
    }
};

// A tempo event: where it stands and the tempo it sets.
struct TTempoEvent {
    std::int32_t Track = 0;
    std::uint32_t Tick = 0;
    std::uint32_t Tempo = 0;  // microseconds per quarter note
};

// A note-on (velocity above 0) of a MIDI channel the conversion does not take.
struct TOtherChannelNote {
    std::int32_t Track = 0;
    std::uint32_t Tick = 0;
    std::uint8_t Channel = 0;  // 2 to 15 for MIDI channels 3 to 16
    std::uint8_t Note = 0;
};

// Where the bytes of a loaded MIDI file come from when its events are read
// again (the file itself, or a copy of bytes loaded from memory), with what
// the file keeps of its tracks besides their places.
class TMidiSource;

// One reading of a loaded file's chunks. Throws EMidiFileError when the file
// cannot be read again or has changed since it was loaded.
class TMidiChunkReader {
public:
    explicit TMidiChunkReader(const TMidiSource& source);
    ~TMidiChunkReader();
    TMidiChunkReader(const TMidiChunkReader&) = delete;
    TMidiChunkReader& operator=(const TMidiChunkReader&) = delete;

    // The name the source goes by in error texts.
    const std::string& Name() const;
    // The bytes from offset on: at least length of them, and as many more
    // before limit as the reader holds at once (from a file, a window of
    // some kilobytes; from memory, all). Valid until the next call.
    std::string_view View(std::size_t offset, std::size_t length, std::size_t limit);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

// A track chunk of a loaded file: its place, counts and names. Its events
// are read again from the file when they are asked for. A track lives as
// long as the file that read it, until the file's next load.
class TMidiTrack {
public:
    // The data of the last meta event 0x03 (0x04); empty if none.
    const std::string& TrackName() const;
    const std::string& InstrumentName() const;
    std::int32_t EventCount() const { return eventCount_; }
    // The note-ons (velocity above 0) of MIDI channels 1 and 2: each is a
    // note the conversion takes.
    std::int32_t NoteCount() const { return noteCount_; }
    // The events in file order, note-offs paired with note-ons.
    std::vector<TMidiEvent> Events() const;
    // The event at index, or nullptr when index is negative or not below
    // EventCount. The first call reads the track's events again and keeps
    // them with the file (the conversion itself never asks).
    const TMidiEvent* EventAt(std::int32_t index) const;
    // The data bytes of the meta event at index (zero bytes included); empty
    // for any other event.
    std::string MetaData(std::int32_t index) const;

private:
    friend class TMidiFile;
    template <typename TSink>
    void Read(TMidiChunkReader& reader, TSink& sink, TNotePairing* pairing = nullptr) const;
    void ReadEvents(TMidiChunkReader& reader, TNotePairing& pairing, std::vector<TMidiEvent>& events) const;

    // 32 bytes a track: a file of nothing but empty track chunks, 8 bytes
    // each, takes four times its size.
    const TMidiSource* source_ = nullptr;  // the file's
    std::uint32_t offset_ = 0;             // of the chunk's data in the file, which is below 32 MiB
    std::uint32_t length_ = 0;
    std::uint32_t chunkNumber_ = 0;
    std::int32_t eventCount_ = 0;
    std::int32_t noteCount_ = 0;

public:
    std::int32_t CurrentTime = 0;  // the time of the last event
};
static_assert(sizeof(TMidiTrack) == 32, "a track chunk's record stays small");

// Raised by LoadFile: the file cannot be opened or read, is no Standard MIDI
// File, is too large, or is malformed. The text names the file.
class EMidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A track whose time passes 2^32 - 1 ticks, which no time of the conversion
// can hold: the file is too long, whatever the resolution.
class EMidiTrackTooLong : public EMidiFileError {
public:
    using EMidiFileError::EMidiFileError;
};

class TMidiFile {
public:
    const std::string& Filename() const { return filename_; }
    void SetFilename(std::string filename) { filename_ = std::move(filename); }

    // Reads the whole file named by Filename, replacing the previous tracks.
    // Throws EMidiFileError, also when memory runs out.
    void LoadFile();

    // Parses a file's bytes as LoadFile does; name only appears in error texts.
    void LoadBytes(std::string_view bytes, const std::string& name = "MIDI file");

    std::int32_t NumberOfTracks() const { return numberOfTracks_; }
    // The header's division word as it stands, 0 to 65535.
    std::int32_t TicksPerQuarter() const { return ticksPerQuarter_; }
    // Frames per second of a division with its top bit set (SMPTE timing):
    // 24, 25, 29 (29.97 drop frame) or 30; 0 for ticks per quarter note.
    std::int32_t SmpteFramesPerSecond() const { return smpteFramesPerSecond_; }
    // Ticks per frame of an SMPTE division; 0 for ticks per quarter note.
    std::int32_t SmpteTicksPerFrame() const { return smpteFramesPerSecond_ != 0 ? ticksPerQuarter_ & 0xFF : 0; }
    TFileFormat FileFormat() const { return fileFormat_; }
    std::int32_t Bpm() const { return bpm_; }
    void SetBpm(std::int32_t value);
    double MicrosecondsPerTick() const { return microsecondsPerTick_; }
    // The tempo of the whole file: the last tempo event's, or DefaultTempo.
    std::uint32_t Tempo() const { return tempo_; }
    // The tempo events in file order (tracks in turn), the first of them kept.
    const TFirstOf<TTempoEvent>& TempoEvents() const { return tempoEvents_; }
    // The note-ons of MIDI channels 3 to 16 in file order, which the
    // conversion leaves out.
    const TFirstOf<TOtherChannelNote>& OtherChannelNotes() const { return otherChannelNotes_; }

    // Throws std::out_of_range outside 0 .. NumberOfTracks - 1.
    const TMidiTrack& TrackAt(std::int32_t index) const;
    const std::deque<TMidiTrack>& Tracks() const { return tracks_; }

    // Reads tracks 0 to NumberOfTracks - 1 in turn, in one reading of the
    // file, with note-offs paired: sink.Track(track) first, then for each
    // event in file order sink.Event(index, event, metaData) (its Duration
    // as it stands when read), and sink.Final(index, event) for each
    // note-on status event (0x90 to 0x9F) once its Duration is final, in no
    // particular order; sink.EndTrack() last. What the conversion needs,
    // without the events being stored.
    template <typename TSink>
    void ReadTracks(TSink& sink) const;

    // A file without a tempo event plays at 120 beats per minute.
    static constexpr std::uint32_t DefaultTempo = 500000;  // microseconds per quarter note

    // No sequence the device holds comes from a larger file (16 382 changes
    // at most), and the bound keeps the reader's memory bounded: such files
    // are refused before they are read.
    static constexpr std::uint64_t MaxFileBytes = 32u << 20;

private:
    void Load(const std::shared_ptr<TMidiSource>& source);
    void ReadHeaderChunk(std::string_view data, std::uint32_t length, const std::string& where);
    void ReadTrackChunk(TMidiChunkReader& reader, std::uint32_t offset, std::uint32_t length,
                        std::uint32_t chunkNumber);
    void ApplyTempo(std::uint32_t tempo, const std::string& where);

    std::string filename_;
    std::shared_ptr<TMidiSource> source_;  // of the tracks
    std::deque<TMidiTrack> tracks_;        // a deque: many small chunks never copy the ones read
    std::int32_t numberOfTracks_ = 0;
    std::int32_t ticksPerQuarter_ = 0;
    std::int32_t smpteFramesPerSecond_ = 0;
    double smpteMicrosecondsPerTick_ = 0.0;
    TFileFormat fileFormat_ = TFileFormat::single;
    std::int32_t bpm_ = 0;
    double microsecondsPerTick_ = 0.0;
    std::uint32_t tempo_ = DefaultTempo;
    TFirstOf<TTempoEvent> tempoEvents_;
    TFirstOf<TOtherChannelNote> otherChannelNotes_;
};

#include "MidiTrackReader.h"

template <typename TSink>
void TMidiTrack::Read(TMidiChunkReader& reader, TSink& sink, TNotePairing* pairing) const
{
    const TChunkPlace place{reader.Name(), chunkNumber_, offset_ - 8u, "MTrk"};
    TTrackRead read;
    ReadTrackEvents(reader, offset_, length_, place, sink, pairing, read, eventCount_);
}

template <typename TSink>
void TMidiFile::ReadTracks(TSink& sink) const
{
    if (numberOfTracks_ == 0 || tracks_.empty())
        return;
    TMidiChunkReader reader(*source_);
    const auto pairing = std::make_unique<TNotePairing>();  // 64 KiB: not for the stack
    for (std::int32_t t = 0; t < numberOfTracks_; ++t) {
        sink.Track(t);
        TrackAt(t).Read(reader, sink, pairing.get());
        sink.EndTrack();
    }
}

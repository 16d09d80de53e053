#include "MidiFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <system_error>

#include "FileKind.h"
#include "InputFile.h"
#include "MidiStatus.h"
#include "Utf8.h"

namespace {

constexpr std::uint32_t MicrosecondsPerMinute = 60000000;

std::uint32_t BigEndian32(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint32_t BigEndian16(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 8) | p[1];
}

std::string ChunkId(std::string_view id)
{
    std::string text;
    for (const char c : id) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            text += hex;
        }
    }
    return text;
}

// The SMPTE frame rates a division's high byte may give (as a negative
// number), with the length of a frame.
struct TSmpteRate {
    std::int32_t FramesPerSecond;
    double MicrosecondsPerFrame;
};
constexpr std::array<TSmpteRate, 4> SmpteRates{{
    {24, 1000000.0 / 24},
    {25, 1000000.0 / 25},
    {29, 100000000.0 / 2997},  // 29.97 frames per second, drop frame
    {30, 1000000.0 / 30},
}};

}  // namespace

namespace {

std::string Hex(std::uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

}  // namespace

std::string TChunkPlace::Where() const
{
    return Name + ": chunk " + std::to_string(Number) + " ('" + ChunkId(Id) + "') at byte " + std::to_string(Offset);
}

const unsigned char* ReadEventBytes(const TEventWindow& window, const unsigned char* p, const TChunkPlace& place,
                                    TRunningStatus& running, std::uint32_t& delta, TMidiEvent& event,
                                    std::string_view& metaData, std::size_t& needed)
{
    // The window ends before the event does: how many bytes it needs is
    // told once it is known, or guessed at twice what it had.
    struct TWindowEnds {
        std::size_t Needed;
    };
    const unsigned char* const start = p;
    const unsigned char* const end = window.End;
    const unsigned char* at = p;  // the byte at fault
    const auto malformed = [&](const std::string& what) {
        throw EMidiFileError(place.Where() + ", byte " + std::to_string(window.BeginIndex + (at - window.Begin)) +
                             " of its data: " + what);
    };
    const auto fail = [&](const char* what) {
        if (!window.ChunkEnds)
            throw TWindowEnds{2 * static_cast<std::size_t>(end - start) + 64};
        malformed(std::string(what) + " runs past the end of the chunk");
    };
    const auto byte = [&](const char* what) -> std::uint8_t {
        at = p;
        if (p == end)
            fail(what);
        return *p++;
    };
    const auto vlq = [&](const char* what) {
        const unsigned char* first = p;
        std::uint64_t value = 0;
        for (;;) {
            const std::uint8_t b = byte(what);
            value = value * 128u + (b & 0x7Fu);
            if (value > 0xFFFFFFFFu) {
                at = first;
                malformed(std::string(what) + " of more than 4294967295");
            }
            if (b < 0x80)
                return static_cast<std::uint32_t>(value);
        }
    };
    const auto data = [&](const char* what) -> std::uint8_t {
        const std::uint8_t b = byte(what);
        if (b >= 0x80)
            malformed(Hex(b) + ", a status byte, where a data byte of " + what + " belongs");
        return b;
    };
    const auto skip = [&](std::uint32_t length, const char* what) {
        at = p;
        if (length > static_cast<std::size_t>(end - p)) {
            if (!window.ChunkEnds)
                throw TWindowEnds{static_cast<std::size_t>(p - start) + length + 16};
            fail(what);
        }
        const auto* skipped = p;
        p += length;
        return std::string_view(reinterpret_cast<const char*>(skipped), length);
    };

    try {
        delta = vlq("a delta time");
        at = p;
        if (p == end)
            fail("an event");
        std::uint8_t status = *p;
        if (MidiStatus::IsStatus(status)) {
            ++p;
            // Meta and system exclusive events leave the running status of
            // the channel messages alone.
            if (status != MidiStatus::Meta && status != MidiStatus::SystemExclusive &&
                status != MidiStatus::EndOfExclusive)
                running = TRunningStatus{status, TakesTwoDataBytes(status)};
        } else if (!MidiStatus::IsStatus(running.Status) || running.Status >= MidiStatus::SystemExclusive) {
            // No status taking data bytes comes before it: no event can
            // begin with it.
            malformed(Hex(status) + ", a data byte, where the status byte of an event belongs");
        } else {
            status = running.Status;
        }
        event.Status = status;
        if (status == MidiStatus::Meta) {
            event.Data1 = byte("a meta event type");
            const std::uint32_t length = vlq("a meta event length");
            metaData = skip(length, "meta event data");
        } else if (TakesTwoDataBytes(status)) {
            event.Data1 = data("a channel message");
            event.Data2 = data("a channel message");
        } else if (MidiStatus::KindOf(status) == MidiStatus::ProgramChange ||
                   MidiStatus::KindOf(status) == MidiStatus::ChannelPressure) {
            event.Data1 = data("a channel message");
        } else if (status == MidiStatus::SystemExclusive || status == MidiStatus::EndOfExclusive) {
            const std::uint32_t length = vlq("a system exclusive length");
            skip(length, "system exclusive data");
        }
    } catch (const TWindowEnds& ends) {
        needed = ends.Needed;
        return nullptr;
    }
    return p;
}

namespace {

[[noreturn]] void ThrowCannotRead(const std::string& name, const std::string& why)
{
    throw EMidiFileError("Cannot read the MIDI file " + name + ": " + why);
}

// Only a regular file is opened, with the refusal or the system's error in
// the reader's words.
TInputFile OpenMidiFile(const std::string& name)
{
    try {
        return OpenInputFile(PathFromUtf8(name));
    } catch (const EFileRefused& refused) {
        ThrowCannotRead(name, refused.what());
    } catch (const std::system_error& error) {
        ThrowCannotRead(name, error.code().message());
    }
}

}  // namespace

class TMidiSource {
public:
    // The file of that name, as it was when opened to be loaded: its first
    // reading takes it as it is open.
    TMidiSource(std::string name, TInputFile opened)
        : name_(std::move(name)), onDisk_(true), stamp_(opened.Stamp), opened_(std::move(opened))
    {
    }
    // A copy of bytes.
    TMidiSource(std::string name, std::string_view bytes) : name_(std::move(name)), bytes_(bytes) {}

    const std::string& Name() const { return name_; }
    std::uint64_t Size() const { return onDisk_ ? stamp_.Size : bytes_.size(); }

    // The names of the tracks that have any, by the place of their data.
    std::map<std::uint32_t, std::string> TrackNames;
    std::map<std::uint32_t, std::string> InstrumentNames;
    // The events of the tracks EventAt was asked about, by the same places.
    mutable std::map<std::uint32_t, std::vector<TMidiEvent>> Kept;

private:
    friend class TMidiChunkReader;
    std::string name_;
    std::string bytes_;
    bool onDisk_ = false;
    TFileStamp stamp_;
    mutable std::optional<TInputFile> opened_;
};

namespace {

// What a reading from a file holds at once, unless an event needs more.
constexpr std::size_t WindowBytes = 64 * 1024;

}  // namespace

struct TMidiChunkReader::TState {
    const TMidiSource& Source;
    std::optional<TInputFile> File;
    std::vector<char> Window;  // from a file: its bytes from WindowOffset on
    std::size_t WindowOffset = 0;
};

TMidiChunkReader::TMidiChunkReader(const TMidiSource& source) : state_(new TState{source, {}, {}, 0})
{
    if (!source.onDisk_)
        return;
    if (source.opened_) {
        state_->File = std::move(source.opened_);
        source.opened_.reset();
        return;
    }
    state_->File = OpenMidiFile(source.name_);
    if (!(state_->File->Stamp == source.stamp_))
        throw EMidiFileError("The MIDI file " + source.name_ + " has changed since it was read");
}

TMidiChunkReader::~TMidiChunkReader() = default;

const std::string& TMidiChunkReader::Name() const
{
    return state_->Source.name_;
}

std::string_view TMidiChunkReader::View(std::size_t offset, std::size_t length, std::size_t limit)
{
    const TMidiSource& source = state_->Source;
    if (!source.onDisk_)
        return std::string_view(source.bytes_).substr(offset, limit - offset);
    TState& state = *state_;
    const std::size_t windowEnd = state.WindowOffset + state.Window.size();
    if (offset < state.WindowOffset || offset + length > windowEnd) {
        state.Window.resize(std::min(limit - offset, std::max(length, WindowBytes)));
        std::size_t got = 0;
        try {
            got = ReadInputFile(*state.File, offset, state.Window.data(), state.Window.size());
        } catch (const std::system_error& error) {
            ThrowCannotRead(source.name_, error.code().message());
        }
        state.Window.resize(got);
        state.WindowOffset = offset;
        if (got < length)
            throw EMidiFileError("The MIDI file " + source.name_ + " has changed since it was read");
    }
    const std::size_t end = std::min(state.WindowOffset + state.Window.size(), limit);
    return std::string_view(state.Window.data() + (offset - state.WindowOffset), end - offset);
}

namespace {

const std::string NoName;

const std::string& NameOf(const std::map<std::uint32_t, std::string>& names, std::uint32_t offset)
{
    const auto found = names.find(offset);
    return found == names.end() ? NoName : found->second;
}

}  // namespace

const std::string& TMidiTrack::TrackName() const
{
    return NameOf(source_->TrackNames, offset_);
}

const std::string& TMidiTrack::InstrumentName() const
{
    return NameOf(source_->InstrumentNames, offset_);
}

void TMidiTrack::ReadEvents(TMidiChunkReader& reader, TNotePairing& pairing, std::vector<TMidiEvent>& events) const
{
    struct TSink {
        void Event(std::int32_t index, const TMidiEvent& event, std::string_view) { events[index] = event; }
        void Final(std::int32_t index, const TMidiEvent& event)
        {
            events[index].Duration = event.Duration;
            events[index].Closed = event.Closed;
        }
        TMidiEvent* events;
    };
    // Its events are counted: each goes to its place.
    events.resize(static_cast<std::size_t>(eventCount_));
    TSink sink{events.data()};
    Read(reader, sink, &pairing);
}

std::vector<TMidiEvent> TMidiTrack::Events() const
{
    std::vector<TMidiEvent> events;
    if (source_) {
        TMidiChunkReader reader(*source_);
        const auto pairing = std::make_unique<TNotePairing>();
        ReadEvents(reader, *pairing, events);
    }
    return events;
}

const TMidiEvent* TMidiTrack::EventAt(std::int32_t index) const
{
    if (index < 0 || index >= eventCount_)
        return nullptr;
    auto kept = source_->Kept.find(offset_);
    if (kept == source_->Kept.end())
        kept = source_->Kept.emplace(offset_, Events()).first;
    return static_cast<std::size_t>(index) < kept->second.size() ? &kept->second[static_cast<std::size_t>(index)]
                                                                 : nullptr;
}

std::string TMidiTrack::MetaData(std::int32_t index) const
{
    struct TSink {
        void Event(std::int32_t i, const TMidiEvent& event, std::string_view data)
        {
            if (i == index && event.Status == MidiStatus::Meta)
                found = data;
        }
        void Final(std::int32_t, const TMidiEvent&) {}
        std::int32_t index;
        std::string found;
    } sink{index, {}};
    if (!source_)
        return {};
    TMidiChunkReader reader(*source_);
    Read(reader, sink);
    return sink.found;
}

void TMidiFile::LoadFile()
{
    Load(std::make_shared<TMidiSource>(filename_, OpenMidiFile(filename_)));
}

void TMidiFile::LoadBytes(std::string_view bytes, const std::string& name)
{
    Load(std::make_shared<TMidiSource>(name, bytes));
}

void TMidiFile::Load(const std::shared_ptr<TMidiSource>& source)
{
    tracks_.clear();
    source_ = source;
    tempoEvents_ = {};
    otherChannelNotes_ = {};
    const std::string& name = source->Name();
    const std::uint64_t size = source->Size();
    if (size > MaxFileBytes)
        throw EMidiFileError(name + " is " + std::to_string(size) + " bytes long; MIDI files of more than " +
                             std::to_string(MaxFileBytes) + " bytes (32 MiB) are refused");
    try {
        TMidiChunkReader reader(*source);
        if (size == 0)
            throw EMidiFileError(name + " is empty");
        if (size < 4 || reader.View(0, 4, 4) != "MThd")
            throw EMidiFileError(name + " is not a Standard MIDI File: it does not begin with an 'MThd' chunk");

        std::uint64_t pos = 0;
        for (std::uint32_t number = 1; pos < size; ++number) {
            const std::uint64_t remaining = size - pos;
            if (remaining < 8)
                throw EMidiFileError(name + ": the file ends inside the header of chunk " + std::to_string(number) +
                                     " (only " + std::to_string(remaining) + " bytes at byte " + std::to_string(pos) +
                                     ")");
            // The headers of chunks that follow one another come from one
            // window of the file.
            std::array<char, 8> header;
            const std::string_view read = reader.View(static_cast<std::size_t>(pos), header.size(), size);
            std::copy_n(read.begin(), header.size(), header.begin());
            const TChunkPlace place{name, number, static_cast<std::size_t>(pos), std::string_view(header.data(), 4)};
            const std::uint32_t length = BigEndian32(reinterpret_cast<const unsigned char*>(header.data()) + 4);
            if (length & 0x80000000u)
                throw EMidiFileError(place.Where() + " has an invalid length of " + std::to_string(length) + " bytes");
            if (length > remaining - 8)
                throw EMidiFileError(place.Where() + " is " + std::to_string(length) + " bytes long but only " +
                                     std::to_string(remaining - 8) + " bytes follow");
            const auto offset = static_cast<std::uint32_t>(pos + 8);
            // Any other chunk is passed over, unread.
            if (place.Id == "MThd") {
                const std::uint32_t used = std::min<std::uint32_t>(length, 6);
                ReadHeaderChunk(reader.View(offset, used, offset + used), length, place.Where());
            } else if (place.Id == "MTrk") {
                ReadTrackChunk(reader, offset, length, number);
            }
            pos += 8 + std::uint64_t{length};
        }
        if (tempoEvents_.Count == 0)
            ApplyTempo(DefaultTempo, name + ": default tempo");
    } catch (const std::bad_alloc&) {
        throw EMidiFileError("Not enough memory to read " + name);
    }
    numberOfTracks_ = static_cast<std::int32_t>(tracks_.size());
}

void TMidiFile::ReadHeaderChunk(std::string_view data, std::uint32_t length, const std::string& where)
{
    if (length < 6)
        throw EMidiFileError(where + ": a header chunk needs 6 bytes, it has " + std::to_string(length));
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    switch (p[1]) {  // the high byte of the format word is not looked at
    case 0: fileFormat_ = TFileFormat::single; break;
    case 1: fileFormat_ = TFileFormat::multi_synch; break;
    case 2: fileFormat_ = TFileFormat::multi_asynch; break;
    default: break;
    }
    numberOfTracks_ = static_cast<std::int32_t>(BigEndian16(p + 2));
    ticksPerQuarter_ = static_cast<std::int32_t>(BigEndian16(p + 4));
    smpteFramesPerSecond_ = 0;
    if (p[4] & 0x80) {
        // SMPTE timing: minus the frames per second, then ticks per frame.
        const int framesPerSecond = -static_cast<std::int8_t>(p[4]);
        const auto rate = std::find_if(SmpteRates.begin(), SmpteRates.end(), [framesPerSecond](const TSmpteRate& r) {
            return r.FramesPerSecond == framesPerSecond;
        });
        if (rate == SmpteRates.end())
            throw EMidiFileError(where + ": the SMPTE division gives " + std::to_string(framesPerSecond) +
                                 " frames per second, not 24, 25, 29 or 30");
        if (p[5] == 0)
            throw EMidiFileError(where + ": the SMPTE division gives 0 ticks per frame");
        smpteFramesPerSecond_ = framesPerSecond;
        smpteMicrosecondsPerTick_ = rate->MicrosecondsPerFrame / p[5];
    }
}

void TMidiFile::ReadTrackChunk(TMidiChunkReader& reader, std::uint32_t offset, std::uint32_t length,
                               std::uint32_t chunkNumber)
{
    TMidiTrack& track = tracks_.emplace_back();
    track.source_ = source_.get();
    track.offset_ = offset;
    track.length_ = length;
    track.chunkNumber_ = chunkNumber;
    const TChunkPlace place{source_->Name(), chunkNumber, offset - 8u, "MTrk"};

    // Read once to check it, count its events and notes, take its names and
    // tempo events and note what the conversion leaves out; its events are
    // read again when they are asked for.
    struct TSink {
        void Event(std::int32_t, const TMidiEvent& event, std::string_view meta)
        {
            // Counted without a branch on the velocity, which note-ons and
            // note-offs of velocity 0 set in no order a branch could foresee.
            const std::uint8_t channel = MidiStatus::ChannelOf(event.Status);
            const bool noteOn = (MidiStatus::KindOf(event.Status) == MidiStatus::NoteOn) & (event.Data2 != 0);
            track.noteCount_ += noteOn & (channel < 2);
            if (noteOn & (channel >= 2))
                midiFile.otherChannelNotes_.Add({number, static_cast<std::uint32_t>(event.Time), channel, event.Data1});
            if (event.Status != MidiStatus::Meta)
                return;
            if (event.Data1 == 0x03) {
                midiFile.source_->TrackNames[track.offset_].assign(meta);
            } else if (event.Data1 == 0x04) {
                midiFile.source_->InstrumentNames[track.offset_].assign(meta);
            } else if (event.Data1 == 0x51) {
                if (meta.size() < 3)
                    throw EMidiFileError(place.Where() + ": a tempo event has " + std::to_string(meta.size()) +
                                         " data bytes instead of 3");
                const auto* d = reinterpret_cast<const unsigned char*>(meta.data());
                const std::uint32_t tempo = (std::uint32_t{d[0]} << 16) | (std::uint32_t{d[1]} << 8) | d[2];
                midiFile.ApplyTempo(tempo, place.Where());
                midiFile.tempoEvents_.Add({number, static_cast<std::uint32_t>(event.Time), tempo});
            }
        }
        void Final(std::int32_t, const TMidiEvent&) {}
        TMidiFile& midiFile;
        TMidiTrack& track;
        const TChunkPlace& place;
        std::int32_t number;  // of the track
    } sink{*this, track, place, static_cast<std::int32_t>(tracks_.size() - 1)};
    // After an error the track keeps the events read before it.
    TTrackRead read;
    struct TKeep {
        ~TKeep()
        {
            track.eventCount_ = read.Events;
            track.CurrentTime = read.Time;
        }
        TMidiTrack& track;
        const TTrackRead& read;
    } keep{track, read};
    ReadTrackEvents(reader, offset, length, place, sink, nullptr, read);
}

void TMidiFile::ApplyTempo(std::uint32_t tempo, const std::string& where)
{
    if (tempo == 0)
        throw EMidiFileError(where + ": a tempo of 0 microseconds per quarter note");
    if (smpteFramesPerSecond_ == 0 && ticksPerQuarter_ == 0)
        throw EMidiFileError(where + ": the tempo cannot be applied, the header gives 0 ticks per quarter note");
    bpm_ = static_cast<std::int32_t>(MicrosecondsPerMinute / tempo);
    tempo_ = tempo;
    // SMPTE ticks are fixed lengths of time, whatever the tempo.
    microsecondsPerTick_ =
        smpteFramesPerSecond_ != 0 ? smpteMicrosecondsPerTick_ : static_cast<double>(tempo) / ticksPerQuarter_;
}

void TMidiFile::SetBpm(std::int32_t value)
{
    if (value == bpm_)
        return;
    if (value <= 0 || value > static_cast<std::int32_t>(MicrosecondsPerMinute))
        throw std::invalid_argument("Bpm must lie in 1 to 60000000, not " + std::to_string(value));
    if (ticksPerQuarter_ == 0)
        throw std::invalid_argument("Bpm cannot be applied with 0 ticks per quarter note");
    const std::uint32_t q = MicrosecondsPerMinute / static_cast<std::uint32_t>(value);
    bpm_ = static_cast<std::int32_t>(MicrosecondsPerMinute / q);
    tempo_ = q;
    if (smpteFramesPerSecond_ == 0)
        microsecondsPerTick_ = static_cast<double>(q) / ticksPerQuarter_;
}

const TMidiTrack& TMidiFile::TrackAt(std::int32_t index) const
{
    if (index < 0 || index >= numberOfTracks_ || static_cast<std::size_t>(index) >= tracks_.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return tracks_[static_cast<std::size_t>(index)];
}

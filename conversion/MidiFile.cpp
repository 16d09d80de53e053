#include "MidiFile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

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

std::string ChunkId(const unsigned char* p)
{
    std::string id;
    for (int i = 0; i < 4; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F) {
            id += static_cast<char>(p[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", p[i]);
            id += hex;
        }
    }
    return id;
}

// Reads one track chunk's events; every read is checked against the chunk's end.
class TTrackParser {
public:
    TTrackParser(std::string_view data, std::string where) : data_(data), where_(std::move(where)) {}

    bool TwoBytesLeft() const { return pos_ + 1 < data_.size(); }

    std::uint32_t Vlq(const char* what)
    {
        std::uint32_t value = 0;
        for (;;) {
            const std::uint8_t b = Byte(what);
            value = value * 128u + (b & 0x7Fu);  // wraps in 32 bits, as a 32-bit reader would
            if (b < 0x80)
                return value;
        }
    }

    std::uint8_t Peek(const char* what) const
    {
        if (pos_ >= data_.size())
            Fail(what);
        return static_cast<std::uint8_t>(data_[pos_]);
    }

    std::uint8_t Byte(const char* what)
    {
        const std::uint8_t b = Peek(what);
        ++pos_;
        return b;
    }

    std::string_view Bytes(std::uint32_t count, const char* what)
    {
        if (count > data_.size() - pos_)
            Fail(what);
        const std::string_view bytes = data_.substr(pos_, count);
        pos_ += count;
        return bytes;
    }

    [[noreturn]] void Fail(const char* what) const
    {
        throw EMidiFileError(where_ + ", byte " + std::to_string(pos_) + " of its data: " + what +
                             " runs past the end of the chunk");
    }

    const std::string& Where() const { return where_; }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
    std::string where_;
};

}  // namespace

PMidiEvent TMidiTrack::EventAt(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= Events.size())
        return nullptr;
    return &Events[static_cast<std::size_t>(index)];
}

void TMidiFile::LoadFile()
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(filename_.c_str(), "rb"), &std::fclose);
    if (!file)
        throw EMidiFileError("Cannot open the MIDI file " + filename_ + ": " + std::strerror(errno));

    auto bytes = std::make_shared<std::string>();
    std::array<char, 65536> block;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0)
            bytes->reserve(static_cast<std::size_t>(size));
        std::rewind(file.get());
    }
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        bytes->append(block.data(), got);
        if (got < block.size())
            break;
    }
    if (std::ferror(file.get()))
        throw EMidiFileError("Cannot read the MIDI file " + filename_ + ": " + std::strerror(errno));
    file.reset();

    Load(std::move(bytes), filename_);
}

void TMidiFile::LoadBytes(std::string_view bytes, const std::string& name)
{
    Load(std::make_shared<const std::string>(bytes), name);
}

struct TMidiFile::TChunk {
    enum class TKind { Header, Track, Other };
    TKind Kind = TKind::Other;
    std::string_view Data;
    std::string Where;
};

namespace {

// A track chunk read on its own: its events, the tempo events it holds (to be
// applied in file order afterwards) and the error that ended it, if any.
struct TReadTrack {
    TMidiTrack Track;
    std::vector<std::pair<std::size_t, std::uint32_t>> Tempos;  // event index, tempo
    std::string Error;
};

}  // namespace

void TMidiFile::Load(std::shared_ptr<const std::string> bytes, const std::string& name)
{
    tracks_.clear();
    tempoSeen_ = false;

    // The chunk headers in file order. A torn or impossible header ends the
    // list; its error is raised once the chunks before it are read.
    std::vector<TChunk> chunks;
    std::string boundaryError;
    const std::string_view all(*bytes);
    const auto* base = reinterpret_cast<const unsigned char*>(all.data());
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t chunkNumber = chunks.size() + 1;
        const std::size_t remaining = all.size() - pos;
        if (remaining < 8) {
            boundaryError = name + ": the file ends inside the header of chunk " + std::to_string(chunkNumber) +
                            " (only " + std::to_string(remaining) + " bytes at byte " + std::to_string(pos) + ")";
            break;
        }
        const unsigned char* header = base + pos;
        const std::uint32_t length = BigEndian32(header + 4);
        TChunk chunk;
        chunk.Where = name + ": chunk " + std::to_string(chunkNumber) + " ('" + ChunkId(header) + "') at byte " +
                      std::to_string(pos);
        if (length & 0x80000000u) {
            boundaryError = chunk.Where + " has an invalid length of " + std::to_string(length) + " bytes";
            break;
        }
        if (length > remaining - 8) {
            boundaryError = chunk.Where + " is " + std::to_string(length) + " bytes long but only " +
                            std::to_string(remaining - 8) + " bytes follow";
            break;
        }
        chunk.Data = all.substr(pos + 8, length);
        if (std::memcmp(header, "MThd", 4) == 0)
            chunk.Kind = TChunk::TKind::Header;
        else if (std::memcmp(header, "MTrk", 4) == 0)
            chunk.Kind = TChunk::TKind::Track;
        chunks.push_back(std::move(chunk));
        pos += 8 + std::size_t{length};
    }

    // Track chunks are independent of each other but for the tempo, so they
    // are read side by side and their tempo events applied in order below.
    std::vector<std::size_t> trackChunks;
    std::size_t trackBytes = 0;
    for (std::size_t c = 0; c < chunks.size(); ++c)
        if (chunks[c].Kind == TChunk::TKind::Track) {
            trackChunks.push_back(c);
            trackBytes += chunks[c].Data.size();
        }
    std::vector<TReadTrack> read(trackChunks.size());
    const auto readOne = [&](std::size_t t) {
        TReadTrack& r = read[t];
        r.Track.bytes_ = bytes;
        try {
            ReadTrackEvents(r.Track, chunks[trackChunks[t]].Data, chunks[trackChunks[t]].Where,
                            [&r](std::size_t index, std::uint32_t tempo) { r.Tempos.emplace_back(index, tempo); });
        } catch (const EMidiFileError& e) {
            r.Error = e.what();
        }
    };
    const unsigned cores = std::thread::hardware_concurrency();
    if (trackBytes >= ParallelBytes && cores > 1 && read.size() > 1) {
        std::atomic<std::size_t> next{0};
        const auto worker = [&] {
            for (std::size_t t; (t = next.fetch_add(1)) < read.size();)
                readOne(t);
        };
        std::vector<std::thread> helpers;
        try {
            for (unsigned h = 1; h < std::min<std::size_t>(cores, read.size()); ++h)
                helpers.emplace_back(worker);
        } catch (const std::system_error&) {
            // Fewer threads than hoped for: this one reads the rest.
        }
        worker();
        for (std::thread& helper : helpers)
            helper.join();
    } else {
        for (std::size_t t = 0; t < read.size(); ++t)
            readOne(t);
    }

    // In file order: header chunks set the division, tracks join the list and
    // their tempo events take effect; the first error in file order is raised
    // with everything before it kept.
    std::size_t t = 0;
    for (const TChunk& chunk : chunks) {
        if (chunk.Kind == TChunk::TKind::Header) {
            ReadHeaderChunk(chunk.Data, chunk.Where);
            continue;
        }
        if (chunk.Kind != TChunk::TKind::Track)
            continue;
        TReadTrack& r = read[t++];
        const bool tempoFails = std::any_of(r.Tempos.begin(), r.Tempos.end(), [this](const auto& mark) {
            return mark.second == 0 || ticksPerQuarter_ == 0;
        });
        if (tempoFails) {
            // Read it again with each tempo applied where it stands, so the
            // track ends exactly at the failing event, as read so far.
            TMidiTrack& track = tracks_.emplace_back();
            track.bytes_ = bytes;
            ReadTrackEvents(track, chunk.Data, chunk.Where, [&](std::size_t, std::uint32_t tempo) {
                ApplyTempo(tempo, chunk.Where);
                tempoSeen_ = true;
            });
            continue;  // not reached: the failing tempo throws
        }
        for (const auto& mark : r.Tempos) {
            ApplyTempo(mark.second, chunk.Where);
            tempoSeen_ = true;
        }
        tracks_.push_back(std::move(r.Track));
        if (!r.Error.empty())
            throw EMidiFileError(r.Error);
    }
    if (!boundaryError.empty())
        throw EMidiFileError(boundaryError);

    if (!tempoSeen_)
        ApplyTempo(DefaultTempo, name + ": default tempo");
    numberOfTracks_ = static_cast<std::int32_t>(tracks_.size());
}

void TMidiFile::ReadHeaderChunk(std::string_view data, const std::string& where)
{
    if (data.size() < 6)
        throw EMidiFileError(where + ": a header chunk needs 6 bytes, it has " + std::to_string(data.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    switch (p[1]) {  // the high byte of the format word is not looked at
    case 0: fileFormat_ = TFileFormat::single; break;
    case 1: fileFormat_ = TFileFormat::multi_synch; break;
    case 2: fileFormat_ = TFileFormat::multi_asynch; break;
    default: break;
    }
    numberOfTracks_ = static_cast<std::int32_t>(BigEndian16(p + 2));
    // SMPTE divisions (top bit set) are taken as a plain tick count.
    ticksPerQuarter_ = static_cast<std::int32_t>(BigEndian16(p + 4));
}

void TMidiFile::ReadTrackEvents(TMidiTrack& track, std::string_view data, const std::string& where,
                                const std::function<void(std::size_t, std::uint32_t)>& onTempo)
{
    TTrackParser in(data, where);
    // Most events take three or four bytes; a rough reservation avoids regrowth.
    track.Events.reserve(data.size() / 4);

    // Index of the latest note-on status event (0x90..0x9F) per channel and
    // first data byte: the backward pairing search stops at exactly that one.
    std::vector<std::int32_t> latestNoteOn(16 * 256, -1);
    std::uint32_t currentTime = 0;
    std::uint8_t runningStatus = 0;

    while (in.TwoBytesLeft()) {
        TMidiEvent event;
        const std::uint32_t delta = in.Vlq("a delta time");
        event.DeltaTime = static_cast<std::int32_t>(delta);

        const std::uint8_t first = in.Peek("an event");
        if (first >= 0x80) {
            event.Status = first;
            in.Byte("an event");
            // Meta and system exclusive events leave the running status of
            // the channel messages alone.
            if (first != 0xFF && first != 0xF0 && first != 0xF7)
                runningStatus = first;
        } else {
            event.Status = runningStatus;
        }

        const std::uint8_t status = event.Status;
        if (status == 0xFF) {
            event.Data1 = in.Byte("a meta event type");
            const std::uint32_t length = in.Vlq("a meta event length");
            event.MetaData = in.Bytes(length, "meta event data");
        } else if ((status >= 0x80 && status <= 0xBF) || (status >= 0xE0 && status <= 0xEF)) {
            event.Data1 = in.Byte("a channel message");
            event.Data2 = in.Byte("a channel message");
        } else if (status >= 0xC0 && status <= 0xDF) {
            event.Data1 = in.Byte("a channel message");
        } else if (status == 0xF0 || status == 0xF7) {
            const std::uint32_t length = in.Vlq("a system exclusive length");
            in.Bytes(length, "system exclusive data");
        }

        // Add the event to the track.
        if (status == 0xFF) {
            if (event.Data1 == 0x03)
                track.TrackName.assign(event.MetaData);
            else if (event.Data1 == 0x04)
                track.InstrumentName.assign(event.MetaData);
        }
        currentTime += delta;  // unsigned: wraps instead of overflowing
        event.Time = static_cast<std::int32_t>(currentTime);
        track.CurrentTime = event.Time;
        const auto index = static_cast<std::int32_t>(track.Events.size());
        track.Events.push_back(event);

        const std::uint8_t kind = status & 0xF0;
        const std::size_t key = (status & 0x0Fu) * 256u + event.Data1;
        if (kind == 0x80 || (kind == 0x90 && event.Data2 == 0)) {
            const std::int32_t match = latestNoteOn[key];
            if (match >= 0) {
                TMidiEvent& noteOn = track.Events[static_cast<std::size_t>(match)];
                noteOn.Duration = static_cast<std::int32_t>(currentTime - static_cast<std::uint32_t>(noteOn.Time));
                track.Events.back().Duration = -1;
            }
        }
        if (kind == 0x90)
            latestNoteOn[key] = index;

        if (status == 0xFF && event.Data1 == 0x51) {
            const std::string_view d = event.MetaData;
            if (d.size() < 3)
                throw EMidiFileError(where + ": a tempo event has " + std::to_string(d.size()) +
                                     " data bytes instead of 3");
            const std::uint32_t tempo = (std::uint32_t{static_cast<std::uint8_t>(d[0])} << 16) |
                                        (std::uint32_t{static_cast<std::uint8_t>(d[1])} << 8) |
                                        static_cast<std::uint8_t>(d[2]);
            onTempo(static_cast<std::size_t>(index), tempo);
        }
    }
}

void TMidiFile::ApplyTempo(std::uint32_t tempo, const std::string& where)
{
    if (tempo == 0)
        throw EMidiFileError(where + ": a tempo of 0 microseconds per quarter note");
    if (ticksPerQuarter_ == 0)
        throw EMidiFileError(where + ": the tempo cannot be applied, the header gives 0 ticks per quarter note");
    bpm_ = static_cast<std::int32_t>(MicrosecondsPerMinute / tempo);
    microsecondsPerTick_ = static_cast<double>(tempo) / ticksPerQuarter_;
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
    microsecondsPerTick_ = static_cast<double>(q) / ticksPerQuarter_;
}

const TMidiTrack& TMidiFile::TrackAt(std::int32_t index) const
{
    if (index < 0 || index >= numberOfTracks_ || static_cast<std::size_t>(index) >= tracks_.size())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return tracks_[static_cast<std::size_t>(index)];
}

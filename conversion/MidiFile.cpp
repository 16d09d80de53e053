#include "MidiFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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

    std::string bytes;
    std::array<char, 65536> block;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        bytes.append(block.data(), got);
        if (got < block.size())
            break;
    }
    if (std::ferror(file.get()))
        throw EMidiFileError("Cannot read the MIDI file " + filename_ + ": " + std::strerror(errno));
    file.reset();

    LoadBytes(bytes, filename_);
}

void TMidiFile::LoadBytes(std::string_view bytes, const std::string& name)
{
    tracks_.clear();
    tempoSeen_ = false;

    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t pos = 0;
    int chunkNumber = 0;
    while (pos < bytes.size()) {
        ++chunkNumber;
        const std::size_t remaining = bytes.size() - pos;
        if (remaining < 8)
            throw EMidiFileError(name + ": the file ends inside the header of chunk " +
                                 std::to_string(chunkNumber) + " (only " + std::to_string(remaining) +
                                 " bytes at byte " + std::to_string(pos) + ")");
        const unsigned char* header = base + pos;
        const std::string id = ChunkId(header);
        const std::uint32_t length = BigEndian32(header + 4);
        const std::string where = name + ": chunk " + std::to_string(chunkNumber) + " ('" + id +
                                  "') at byte " + std::to_string(pos);
        if (length & 0x80000000u)
            throw EMidiFileError(where + " has an invalid length of " + std::to_string(length) + " bytes");
        if (length > remaining - 8)
            throw EMidiFileError(where + " is " + std::to_string(length) + " bytes long but only " +
                                 std::to_string(remaining - 8) + " bytes follow");

        const std::string_view data = bytes.substr(pos + 8, length);
        if (std::memcmp(header, "MThd", 4) == 0)
            ReadHeaderChunk(data, where);
        else if (std::memcmp(header, "MTrk", 4) == 0)
            ReadTrackChunk(data, where);
        pos += 8 + std::size_t{length};
    }

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

void TMidiFile::ReadTrackChunk(std::string_view data, const std::string& where)
{
    TMidiTrack& track = tracks_.emplace_back();
    track.chunk_.assign(data.begin(), data.end());
    TTrackParser in(std::string_view(track.chunk_.data(), track.chunk_.size()), where);
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
            ApplyTempo(tempo, where);
            tempoSeen_ = true;
        }
    }
    track.CurrentTime = static_cast<std::int32_t>(currentTime);
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

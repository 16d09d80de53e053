#include "SmfWriter.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

#include "MidiStatus.h"
#include "Utf8.h"

void AppendVlq(std::string& out, std::uint32_t value)
{
    char bytes[5];
    int n = 0;
    bytes[n++] = static_cast<char>(value & 0x7F);
    while (value >>= 7)
        bytes[n++] = static_cast<char>((value & 0x7F) | 0x80);
    while (n > 0)
        out += bytes[--n];
}

TSmfTrack& TSmfTrack::Event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes)
{
    AppendVlq(data_, delta);
    for (std::uint8_t b : bytes)
        data_ += static_cast<char>(b);
    return *this;
}

TSmfTrack& TSmfTrack::Meta(std::uint32_t delta, std::uint8_t type, const std::string& data)
{
    AppendVlq(data_, delta);
    data_ += static_cast<char>(MidiStatus::Meta);
    data_ += static_cast<char>(type);
    AppendVlq(data_, static_cast<std::uint32_t>(data.size()));
    data_ += data;
    return *this;
}

TSmfTrack& TSmfTrack::Tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter)
{
    const std::string data{static_cast<char>(microsecondsPerQuarter >> 16),
                           static_cast<char>(microsecondsPerQuarter >> 8),
                           static_cast<char>(microsecondsPerQuarter)};
    return Meta(delta, 0x51, data);
}

TSmfTrack& TSmfTrack::Sysex(std::uint32_t delta, const std::string& data)
{
    AppendVlq(data_, delta);
    data_ += static_cast<char>(MidiStatus::SystemExclusive);
    AppendVlq(data_, static_cast<std::uint32_t>(data.size()));
    data_ += data;
    return *this;
}

TSmfTrack& TSmfTrack::EndOfTrack(std::uint32_t delta)
{
    return Meta(delta, 0x2F, "");
}

TSmfTrack& TSmfTrack::Raw(const std::string& bytes)
{
    data_ += bytes;
    return *this;
}

std::string SmfChunk(const std::string& id, const std::string& data)
{
    std::string out = id.substr(0, 4);
    const auto length = static_cast<std::uint32_t>(data.size());
    out += static_cast<char>(length >> 24);
    out += static_cast<char>(length >> 16);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length);
    out += data;
    return out;
}

std::string SmfHeaderChunk(std::uint16_t format, std::uint16_t tracks, std::uint16_t division)
{
    const std::string data{static_cast<char>(format >> 8), static_cast<char>(format),
                           static_cast<char>(tracks >> 8), static_cast<char>(tracks),
                           static_cast<char>(division >> 8), static_cast<char>(division)};
    return SmfChunk("MThd", data);
}

std::string SmfFile(std::uint16_t format, std::uint16_t division, const std::vector<TSmfTrack>& tracks)
{
    std::string out = SmfHeaderChunk(format, static_cast<std::uint16_t>(tracks.size()), division);
    for (const TSmfTrack& track : tracks)
        out += SmfChunk("MTrk", track.Data());
    return out;
}

void WriteBytesToFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string GeneratedSmf(std::size_t notes, int tracks, std::uint32_t seed)
{
    std::mt19937 random(seed);  // 32-bit results
    std::vector<TSmfTrack> built(static_cast<std::size_t>(tracks));
    built[0].Meta(0, 0x03, "Generated").Tempo(0, 500000);
    for (int t = 0; t < tracks; ++t) {
        TSmfTrack& track = built[static_cast<std::size_t>(t)];
        const std::size_t count = notes / static_cast<std::size_t>(tracks) +
                                  (static_cast<std::size_t>(t) < notes % static_cast<std::size_t>(tracks) ? 1 : 0);
        const auto status = MidiStatus::OnChannel(MidiStatus::NoteOn, static_cast<unsigned>(t % 2));
        track.Event(0, {status, 60, 100}).Event(120, {60, 0});  // explicit status, then running status
        for (std::size_t i = 1; i < count; ++i) {
            const auto note = static_cast<std::uint8_t>(random() % 128);
            const auto velocity = static_cast<std::uint8_t>(1 + random() % 127);
            track.Event(static_cast<std::uint32_t>(random() % 240), {note, velocity});
            track.Event(static_cast<std::uint32_t>(1 + random() % 480), {note, 0});
        }
        track.EndOfTrack();
    }
    return SmfFile(1, 480, built);
}

std::string DenseSmf(std::size_t notes, int tracks, std::uint32_t seconds, std::uint32_t seed)
{
    // 50 000 microseconds per quarter note at 960 ticks: 19 200 ticks a
    // second, room for a note a tick on each track.
    constexpr std::uint32_t tempo = 50000;
    constexpr std::uint16_t division = 960;
    constexpr std::uint32_t ticksPerSecond = 1000000 / tempo * division;
    std::mt19937 random(seed);
    std::vector<TSmfTrack> built(static_cast<std::size_t>(tracks));
    built[0].Meta(0, 0x03, "Dense").Tempo(0, tempo);
    const std::size_t perTrack = notes / static_cast<std::size_t>(tracks);
    // Each note takes its share of the span: on at a random point of it,
    // off at its end.
    const auto share = static_cast<std::uint32_t>(std::max<std::size_t>(
        1, std::size_t{seconds} * ticksPerSecond / std::max<std::size_t>(perTrack, 1)));
    for (int t = 0; t < tracks; ++t) {
        TSmfTrack& track = built[static_cast<std::size_t>(t)];
        const std::size_t count = perTrack + (static_cast<std::size_t>(t) < notes % static_cast<std::size_t>(tracks) ? 1 : 0);
        const auto status = MidiStatus::OnChannel(MidiStatus::NoteOn, static_cast<unsigned>(t % 2));
        for (std::size_t i = 0; i < count; ++i) {
            const auto note = static_cast<std::uint8_t>(random() % 120);
            const auto velocity = static_cast<std::uint8_t>(1 + random() % 127);
            const auto on = static_cast<std::uint32_t>(random() % share);
            if (i == 0)
                track.Event(on, {status, note, velocity});  // explicit status, then running status
            else
                track.Event(on, {note, velocity});
            track.Event(share - on, {note, 0});
        }
        track.EndOfTrack();
    }
    return SmfFile(1, division, built);
}

std::string InterleavedSmf(std::size_t notes, std::uint32_t seconds, std::uint32_t seed)
{
    constexpr std::uint32_t tempo = 50000;
    constexpr std::uint16_t division = 960;
    constexpr std::uint32_t ticksPerSecond = 1000000 / tempo * division;
    constexpr std::size_t keys = 240;  // notes 0 to 119 of channels 1 and 2
    struct TTimed {
        std::uint32_t Tick;
        std::uint8_t Status, Note, Velocity;
    };
    std::mt19937 random(seed);
    std::vector<TTimed> events;
    events.reserve(2 * notes);
    // Each key's notes one after the other, each within its share of the span.
    for (std::size_t key = 0; key < keys; ++key) {
        const std::size_t count = notes / keys + (key < notes % keys ? 1 : 0);
        const auto share = static_cast<std::uint32_t>(
            std::max<std::size_t>(4, std::size_t{seconds} * ticksPerSecond / std::max<std::size_t>(count, 1)));
        const auto status = static_cast<std::uint8_t>(0x90 | (key / 120));
        const auto note = static_cast<std::uint8_t>(key % 120);
        for (std::size_t i = 0; i < count; ++i) {
            const auto start = static_cast<std::uint32_t>(i) * share;
            const auto on = start + static_cast<std::uint32_t>(random() % (share / 2));
            const auto off = on + 1 + static_cast<std::uint32_t>(random() % (share / 2 - 1));
            events.push_back({on, status, note, static_cast<std::uint8_t>(1 + random() % 127)});
            events.push_back({off, status, note, 0});
        }
    }
    std::stable_sort(events.begin(), events.end(), [](const TTimed& a, const TTimed& b) { return a.Tick < b.Tick; });
    TSmfTrack track;
    track.Meta(0, 0x03, "Interleaved").Tempo(0, tempo);
    std::uint32_t tick = 0;
    std::uint8_t running = 0;
    for (const TTimed& e : events) {
        if (e.Status == running) {
            track.Event(e.Tick - tick, {e.Note, e.Velocity});
        } else {
            track.Event(e.Tick - tick, {e.Status, e.Note, e.Velocity});
            running = e.Status;
        }
        tick = e.Tick;
    }
    track.EndOfTrack();
    return SmfFile(1, division, {track});
}

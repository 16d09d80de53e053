#pragma once
// Builds Standard MIDI File bytes: for the example file, the benchmarks and
// the tests (which also need files that break the rules on purpose).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Appends a variable-length quantity.
void AppendVlq(std::string& out, std::uint32_t value);

// The bytes of one track chunk's data (without the chunk header).
class TSmfTrack {
public:
    // Delta time followed by the given bytes, as they stand (a data byte
    // first means running status).
    TSmfTrack& Event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes);
    TSmfTrack& Meta(std::uint32_t delta, std::uint8_t type, const std::string& data);
    TSmfTrack& Tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter);
    TSmfTrack& Sysex(std::uint32_t delta, const std::string& data);
    TSmfTrack& EndOfTrack(std::uint32_t delta = 0);
    // Raw bytes, for malformed data.
    TSmfTrack& Raw(const std::string& bytes);

    const std::string& Data() const { return data_; }

private:
    std::string data_;
};

// A chunk: 4-byte identifier, big-endian length, data.
std::string SmfChunk(const std::string& id, const std::string& data);
std::string SmfHeaderChunk(std::uint16_t format, std::uint16_t tracks, std::uint16_t division);
// A whole file: header chunk and one track chunk per track.
std::string SmfFile(std::uint16_t format, std::uint16_t division, const std::vector<TSmfTrack>& tracks);

// Writes bytes to a file; throws std::runtime_error on failure.
void WriteBytesToFile(const std::string& path, const std::string& bytes);

// A file of `notes` notes on MIDI channels 1 and 2 spread over `tracks`
// tracks, with running status and velocity-0 note-offs, as real sequencer
// output looks. Deterministic for a given seed.
std::string GeneratedSmf(std::size_t notes, int tracks, std::uint32_t seed = 1);

// The same kind of file with its notes packed into `seconds` seconds: as
// dense as a file gets whose image the device still holds at 1 s. Notes 0
// to 119 of channels 1 and 2, so that at no time all 256 outputs change.
std::string DenseSmf(std::size_t notes, int tracks, std::uint32_t seconds, std::uint32_t seed = 1);

// As dense, in one track where notes of channels 1 and 2 take turns at
// random: running status holds only while the channel stays, so that half
// the events carry a status byte. Every note counts: notes 0 to 119, and
// the notes of one key never overlap.
std::string InterleavedSmf(std::size_t notes, std::uint32_t seconds, std::uint32_t seed = 1);

#pragma once
// Reading a track chunk's events, for the reader and for the conversion,
// which walks the notes without keeping the events: one reading, one
// pairing of note-offs with note-ons.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "MidiFile.h"
#include "MidiStatus.h"

// Where a track chunk stands in its file, for error texts, which are rare:
// the words are put together only when one is raised.
struct TChunkPlace {
    const std::string& Name;
    std::size_t Number;
    std::size_t Offset;
    std::string_view Id;  // the chunk's four identifier bytes

    std::string Where() const;
};

// The pairing rule of the reader: a note-off (0x8n, or 0x9n with velocity
// 0) closes the latest note-on status event (0x9n) of its channel and first
// data byte, which takes the distance as its Duration, the note-off taking
// -1; a later note-off closes it again. An event's Duration is final once
// the next note-on status event of its channel and first data byte has come, or the
// track has ended: so only the latest such event per key is held.
class TNotePairing {
public:
    TNotePairing() { open_.fill(TOpen{}); }

    // event is the track's event at index, just read, Duration 0; a note-off
    // that closes a note leaves with -1. final(index, event) gets the note-on
    // status event that this one makes final.
    template <typename TFinal>
    void Add(std::int32_t index, TMidiEvent& event, TFinal&& final)
    {
        const std::uint8_t kind = MidiStatus::KindOf(event.Status);
        if (kind != MidiStatus::NoteOff && kind != MidiStatus::NoteOn)
            return;
        const std::size_t key = MidiStatus::ChannelOf(event.Status) * 256u + event.Data1;
        TOpen& open = open_[key];
        // Whether it closes a note, without a branch: note-ons and note-offs
        // come in no order a branch could foresee.
        const bool closes = (kind == MidiStatus::NoteOff || event.Data2 == 0) & (open.Index >= 0);
        const auto length =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(event.Time) - static_cast<std::uint32_t>(open.Event.Time));
        open.Event.Duration = closes ? length : open.Event.Duration;
        open.Event.Closed |= closes;
        event.Duration = -static_cast<std::int32_t>(closes);
        if (kind != MidiStatus::NoteOn)
            return;
        if (open.Index >= 0)
            final(open.Index, open.Event);
        else
            used_.push_back(static_cast<std::uint16_t>(key));
        open = TOpen{index, event};
    }

    // The track has ended: every event still held is final.
    template <typename TFinal>
    void Finish(TFinal&& final)
    {
        for (const std::uint16_t key : used_)
            final(open_[key].Index, open_[key].Event);
        Reset();
    }

    // Ready for another track, whatever this one left.
    void Reset()
    {
        for (const std::uint16_t key : used_)
            open_[key] = TOpen{};
        used_.clear();
    }

private:
    struct TOpen {
        std::int32_t Index = -1;
        TMidiEvent Event;
    };
    std::array<TOpen, 16 * 256> open_;
    std::vector<std::uint16_t> used_;  // keys held, so that a track's end costs what it used
};

// Notes, key pressure, controllers and pitch bend carry two data bytes.
constexpr bool TakesTwoDataBytes(std::uint8_t status)
{
    const std::uint8_t kind = MidiStatus::KindOf(status);
    return kind == MidiStatus::NoteOff || kind == MidiStatus::NoteOn || kind == MidiStatus::KeyPressure ||
           kind == MidiStatus::ControlChange || kind == MidiStatus::PitchBend;
}

// The running status of a track: the status of the last channel message.
struct TRunningStatus {
    std::uint8_t Status = 0;
    bool TwoDataBytes = false;  // TakesTwoDataBytes(Status)
};

// How far the reading of a track went: the events handed to the sink and
// the time of the last one.
struct TTrackRead {
    std::int32_t Events = 0;
    std::int32_t Time = 0;
};

// The bytes of a track chunk that a reading holds at once.
struct TEventWindow {
    const unsigned char* Begin;
    const unsigned char* End;
    std::size_t BeginIndex;  // of Begin in the chunk's data
    bool ChunkEnds;          // End is the end of the chunk
};

// Reads the event that begins at p, in any of its forms: its delta time,
// status (running status applied), data bytes, and a meta event's data.
// Returns where the next event begins, or nullptr when the event runs past
// a window that is not the chunk's end: needed is then the number of bytes
// from p to hold at least. Throws EMidiFileError when the event runs past
// the chunk, when a data byte stands where a status byte belongs or the
// reverse, or when a number passes 32 bits.
const unsigned char* ReadEventBytes(const TEventWindow& window, const unsigned char* p, const TChunkPlace& place,
                                    TRunningStatus& running, std::uint32_t& delta, TMidiEvent& event,
                                    std::string_view& metaData, std::size_t& needed);

// Reads the events of the track chunk whose data is length bytes at offset
// in the file, in file order. For each event, sink.Event(index, event,
// metaData) (a meta event's data bytes, empty for any other). With a
// pairing, events reach Event with their Duration as it stands when read
// (0, or -1 for a note-off that closed a note), and sink.Final(index, event)
// gets each note-on status event once its Duration is final; without
// (nullptr), every Duration is 0 and Final is not called.
//
// Reading stops after maxEvents events (an event may look at the byte after
// it, so a track cut short by an error is read again whole, up to the
// events it kept). read tells how far it went, also when reading stops with
// EMidiFileError (data running past the chunk) or EMidiTrackTooLong (a time
// past 2^32 - 1 ticks), or when the sink throws.
template <typename TSink>
void ReadTrackEvents(TMidiChunkReader& reader, std::size_t offset, std::size_t length, const TChunkPlace& place,
                     TSink& sink, TNotePairing* pairing, TTrackRead& read,
                     std::int32_t maxEvents = std::numeric_limits<std::int32_t>::max())
{
    // The window moves on once fewer bytes than the longest event of the
    // fast paths below, and some, are left in it.
    constexpr std::size_t Reserve = 16;
    const std::size_t chunkEnd = offset + length;
    TEventWindow window{};
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    const auto moveTo = [&](std::size_t index, std::size_t atLeast) {
        const std::string_view bytes =
            reader.View(offset + index, std::min(atLeast, length - index), chunkEnd);
        window = TEventWindow{reinterpret_cast<const unsigned char*>(bytes.data()),
                              reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size(), index,
                              offset + index + bytes.size() == chunkEnd};
        p = window.Begin;
        end = window.End;
    };
    moveTo(0, Reserve);
    const auto onFinal = [&sink](std::int32_t index, const TMidiEvent& event) { sink.Final(index, event); };
    if (pairing)
        pairing->Reset();
    TRunningStatus running;
    std::uint32_t time = 0;
    TTrackRead done;
    try {
        for (std::int32_t index = 0; index < maxEvents; ++index) {
            if (end - p < static_cast<std::ptrdiff_t>(Reserve) && !window.ChunkEnds)
                moveTo(window.BeginIndex + static_cast<std::size_t>(p - window.Begin), Reserve);
            if (end - p < 2)
                break;
            TMidiEvent event;
            std::uint32_t delta;
            std::string_view metaData;
            // Most events of a dense file, read at once, and without a branch
            // on their form, which random channels make unforeseeable: a
            // one-byte delta time, a status byte of a channel message taking
            // two data bytes or running status, and the data bytes...
            const unsigned hasStatus = end - p >= 4 ? p[1] >> 7 : 0;
            const unsigned statusMask = 0u - hasStatus;
            const auto status = static_cast<std::uint8_t>((p[1] & statusMask) | (running.Status & ~statusMask));
            const std::uint8_t data1 = p[1 + hasStatus];
            const std::uint8_t data2 = end - p >= 3 ? p[2 + hasStatus] : 0x80;
            if (((p[0] | data1 | data2) & 0x80) == 0 && TakesTwoDataBytes(status)) {
                delta = p[0];
                running = TRunningStatus{status, true};
                event.Status = status;
                event.Data1 = data1;
                event.Data2 = data2;
                p += 3 + hasStatus;
            } else if (running.TwoDataBytes && end - p >= 4 && p[0] >= 0x80 && ((p[1] | p[2] | p[3]) & 0x80) == 0) {
                // ...or under running status with a two-byte delta time.
                delta = (p[0] & 0x7Fu) << 7 | p[1];
                event.Status = running.Status;
                event.Data1 = p[2];
                event.Data2 = p[3];
                p += 4;
            } else {
                std::size_t needed = 0;
                const unsigned char* next = ReadEventBytes(window, p, place, running, delta, event, metaData, needed);
                if (!next) {
                    // The event goes on past the window: read it again whole.
                    moveTo(window.BeginIndex + static_cast<std::size_t>(p - window.Begin), needed);
                    --index;
                    continue;
                }
                p = next;
            }
            if (delta > 0xFFFFFFFFu - time)
                throw EMidiTrackTooLong(place.Where() + ": the track's time passes 4294967295 ticks at its event " +
                                        std::to_string(index + 1));
            time += delta;
            event.Time = static_cast<std::int32_t>(time);
            if (pairing)
                pairing->Add(index, event, onFinal);
            done = TTrackRead{index + 1, event.Time};
            sink.Event(index, event, metaData);
        }
    } catch (...) {
        read = done;
        throw;
    }
    read = done;
    if (pairing)
        pairing->Finish(onFinal);
}

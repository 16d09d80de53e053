#pragma once
// From the notes of a loaded MIDI file to the sorted, quantized,
// de-duplicated list of output changes.

#include <cstdint>
#include <vector>

#include "MidiFile.h"
#include "Resolution.h"
#include "UsefullMidiEventClasse.h"

// a + b, or UINT32_MAX where it would wrap.
constexpr std::uint32_t SaturatingAdd(std::uint32_t a, std::uint32_t b)
{
    return b > UINT32_MAX - a ? UINT32_MAX : a + b;
}

// The two changes of a note, in list order: the switch-on, at a level from
// the velocity (127 gives 255, any other v gives 2v)...
inline TContactorEvent SwitchOn(const TUseFullMidiEvent& note)
{
    const auto contact = static_cast<std::uint8_t>(note.Channel * 128u + note.Note);
    const auto level = note.Velocity == 127 ? std::uint8_t{255} : static_cast<std::uint8_t>(note.Velocity * 2u);
    return TContactorEvent{note.TimeMs, contact, level};
}

// ...then the switch-off.
inline TContactorEvent SwitchOff(const TUseFullMidiEvent& note)
{
    return TContactorEvent{SaturatingAdd(note.TimeMs, note.DurationMs), SwitchOn(note).Contact, 0};
}

// A time raised to the next multiple of the resolution it converts as;
// multiples, 0 included, stay. Saturates at UINT32_MAX.
inline std::uint32_t QuantizedTime(std::uint32_t timeMs, std::uint16_t resolutionMs)
{
    const std::uint32_t r = ResolutionOf(resolutionMs).Ms;
    const std::uint32_t q = timeMs / r * r;
    return q < timeMs ? SaturatingAdd(q, r) : timeMs;
}

// Milliseconds of a tick count: the exact extended-precision product with
// MicrosecondsPerTick, truncated to whole microseconds, divided by 1000.
// Saturates at UINT32_MAX instead of wrapping (such a time never fits an image).
std::uint32_t TicksToMs(double microsecondsPerTick, std::uint32_t ticks);

// One TUseFullMidiEvent per note-on on MIDI channel 1 or 2 that did not
// itself close a note, in track order, then file order, in one reading of
// the file that keeps no events.
void CollectNoteEvents(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& noteEvents);

// How CollectContactEvents cleans: by size, or one way for the tests.
enum class TCleaningWay {
    BySize,  // Table for large files, Steps otherwise
    Table,   // each note into a table of the latest change per slot and output
    Steps,   // CollectNoteEvents, then CleanContactEvents
};
// Files of at least this many events go the Table way: the steps' lists of
// changes grow with the notes (some 32 bytes a note beside the note itself),
// the table with the slots the file spans...
inline constexpr std::uint64_t TableEvents = std::uint64_t{1} << 16;
// ...as long as it spans at most this many slots and outputs (4096 slots of
// 256 outputs), which bounds the table at 8 MiB; otherwise the Steps way
// is taken whatever is asked.
inline constexpr std::uint64_t TableTimesAndOutputs = std::uint64_t{1} << 20;

// The notes CollectNoteEvents gives, and the changes CleanContactEvents then
// gives, ready to be sorted, in one reading of the file. The Table way keeps
// no list of events or of changes: each note goes into the cleaning as soon
// as its length is known.
void CollectContactEvents(const TMidiFile& midiFile, std::uint16_t resolutionMs,
                          std::vector<TUseFullMidiEvent>& noteEvents, std::vector<TContactorEvent>& contactEvents,
                          TCleaningWay way = TCleaningWay::BySize);

// CleanContactEvents, then SortContactEvents.
void PrepareContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents, std::uint16_t resolutionMs,
                          std::vector<TContactorEvent>& contactEvents);

// BuildContactEvents, QuantizeContactEvents, RemoveSameTimeDuplicates, then
// RemoveRepeatedStates: the changes in note order, ready to be sorted.
void CleanContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents, std::uint16_t resolutionMs,
                        std::vector<TContactorEvent>& contactEvents);

// A switch-on then a switch-off per note, in note order.
void BuildContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents,
                        std::vector<TContactorEvent>& contactEvents);

// Raises every time that is not a multiple of the resolution to the next multiple.
void QuantizeContactEvents(std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs);

// Of each group of entries sharing TimeMs and Contact, keeps the one that
// stands last in the list; the survivors keep their order.
void RemoveSameTimeDuplicates(std::vector<TContactorEvent>& contactEvents);

// Of each run of adjacent entries with the same Contact and Value, keeps the first.
void RemoveRepeatedStates(std::vector<TContactorEvent>& contactEvents);

// 1, 0 or -1 as A's TimeMs is greater than, equal to or less than B's.
int CompareByTime(const TContactorEvent& a, const TContactorEvent& b);

// Sorts by CompareByTime with the quicksort whose partitioning fixes the
// order of entries with equal times (and so the order of pairs in a frame).
// Fast on the nearly sorted lists that notes give; quadratic on contrived
// orders (organ pipe), with a stack of log n in every case.
void SortContactEvents(std::vector<TContactorEvent>& contactEvents);

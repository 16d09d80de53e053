#pragma once
// What a conversion changed or left out, and how much of the image it
// filled: worked out from the conversion's own lists (its notes, its
// sorted changes, its frames) and from what the reader knew of the file,
// by the same code for the window and torem-convert.

#include <cstdint>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "SeqFile.h"
#include "UsefullMidiEventClasse.h"

enum class TConversionOutcome {
    MidiFileMissing,       // warning shown
    SeqFileMissing,        // warning shown
    TooLongForResolution,  // warning shown, nothing written (a track past 2^32 - 1 ticks included)
    TooManyChangesAtOnce,  // warning shown, nothing written
    DoesNotFit,            // warning shown, nothing written
    Declined,              // the user kept the existing sequence file
    Written,               // image written, completion message shown
};

// What the reader knew of the file of a conversion, kept with its lists.
struct TConversionFacts {
    std::uint16_t ResolutionMs = 1000;
    double MicrosecondsPerTick = 0;
    std::uint32_t Tempo = TMidiFile::DefaultTempo;
    TFirstOf<TTempoEvent> TempoEvents;
    TFirstOf<TOtherChannelNote> OtherChannelNotes;
    std::int32_t SmpteFramesPerSecond = 0;  // 0: ticks per quarter note
    std::int32_t SmpteTicksPerFrame = 0;
};

TConversionFacts FactsOf(const TMidiFile& midiFile, std::uint16_t resolutionMs);

// A note the conversion lost, at the time and on the output concerned.
struct TLostNote {
    std::uint32_t AtMs = 0;  // the slot's time (for a merge, where the notes meet)
    TUseFullMidiEvent Note;

    bool operator==(const TLostNote&) const = default;
};

// The earliest few lost notes of a kind, by time then output, and how many
// there were.
struct TLostNotes {
    static constexpr std::size_t Kept = TFirstOf<TTempoEvent>::Kept;
    std::uint64_t Count = 0;
    std::vector<TLostNote> Earliest;

    void Add(const TLostNote& lost);
};

// The sizes of a conversion's lists and image.
struct TConversionSummary {
    std::size_t Notes = 0;
    std::size_t Changes = 0;
    std::size_t Frames = 0;  // as the image holds them
    bool FirstFrameEmpty = false;  // nothing changes at 0, yet the image holds a first frame
    std::uint32_t FrameBytes = 0;
    std::uint32_t LastChangeMs = 0;  // 0 without changes
};

// notes, changes (sorted) and frames are the lists of one conversion.
TConversionSummary SummaryOf(const std::vector<TUseFullMidiEvent>& notes, const std::vector<TContactorEvent>& changes,
                             const std::vector<TTrameOfContactorEvent>& frames);

// "28 notes, 53 changes, 16 frames, 154 frame bytes", in the language given.
std::string ReportSummary(const TConversionSummary& summary, std::uint8_t languageIndex);

struct TConversionReport {
    TConversionSummary Summary;
    TConversionFacts Facts;
    // Note-ons of channels 1 and 2 with nothing to end them.
    TLostNotes Unclosed;
    // Notes whose start and end fall on the same slot: never on.
    TLostNotes SameSlot;
    // Notes whose output is off after their start all the same: a change of
    // another note of the output took the place of theirs (one at the same
    // slot, or one of the same level next to theirs in the list).
    TLostNotes TakenOver;
    // Notes whose output does not go off at their end: the next note of the
    // output begins there and carries on.
    TLostNotes Merged;
};

// Goes through every note once. The changes may be in any order.
TConversionReport ReportConversion(const std::vector<TUseFullMidiEvent>& notes,
                                   const std::vector<TContactorEvent>& changes,
                                   const std::vector<TTrameOfContactorEvent>& frames, const TConversionFacts& facts);

// The report after the summary: each kind counted then listed, at most
// TLostNotes::Kept lines and "... and N more"; the tempo, the time
// division when it is SMPTE, and how full the image is.
std::vector<std::string> ReportLines(const TConversionReport& report, std::uint8_t languageIndex);

// The line after the summary when notes were lost: how many of them and
// why, and the notes of other channels left out; that the file has no note
// to convert at all. Empty when every note made it.
std::string LossLine(const TConversionReport& report, std::uint8_t languageIndex);

// The completion message: "Process done...", the summary, then the loss
// line when there is one.
std::string CompletionText(const TConversionReport& report, std::uint8_t languageIndex);

// Why a file was refused: what the image would need of it, and the other
// resolutions at which it fits.
struct TRefusal {
    TConversionOutcome Outcome = TConversionOutcome::DoesNotFit;  // one of the three refusals
    std::uint16_t ResolutionMs = 1000;
    bool TrackTooLong = false;  // a track past 2^32 - 1 ticks: nothing could be measured
    TImageNeeds Needs;
    std::vector<std::uint16_t> FitsAt;  // in ms, finest first
    bool FitsAtKnown = true;            // false when memory ran out trying the others
};

// The warning's lines: the refusal's message, how far the file goes past
// what the image holds, and where it would fit.
std::vector<std::string> RefusalLines(const TRefusal& refusal, std::uint8_t languageIndex);

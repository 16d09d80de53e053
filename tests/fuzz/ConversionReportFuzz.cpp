// Any bytes as the MIDI file of a conversion whose report is asked for: the
// report of the conversion's lists, summary and lines in both languages,
// counts what the lists hold, and its lists keep their earliest notes in
// order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ContactEvents.h"
#include "ConversionReport.h"
#include "MidiFile.h"
#include "SeqFile.h"
#include "Text.h"

namespace {

void CheckLost(const TLostNotes& lost, std::size_t notes)
{
    if (lost.Count > notes || lost.Earliest.size() > TLostNotes::Kept || lost.Earliest.size() > lost.Count)
        __builtin_trap();
    if (!std::is_sorted(lost.Earliest.begin(), lost.Earliest.end(),
                        [](const TLostNote& a, const TLostNote& b) { return a.AtMs < b.AtMs; }))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMidiFile file;
    try {
        file.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EMidiFileError&) {
        return 0;
    }
    const std::uint16_t resolution = size > 0 && (data[0] & 1) ? 100 : 1000;
    std::vector<TUseFullMidiEvent> notes;
    std::vector<TContactorEvent> changes;
    std::vector<TTrameOfContactorEvent> frames;
    CollectContactEvents(file, resolution, notes, changes);
    // The report is of an image written, as the command gives it.
    if (!CanFitFrameBlock(changes.size()))
        return 0;
    SortContactEvents(changes);
    if (CheckSeqImage(changes, resolution) != TImageFit::Fits)
        return 0;
    BuildSeqFrames(changes, resolution, frames);
    const TConversionReport report = ReportConversion(notes, changes, frames, FactsOf(file, resolution));
    if (report.Summary.Notes != notes.size() || report.Summary.Changes != changes.size())
        __builtin_trap();
    // A velocity-0 note-on that closed nothing is a stray note-off, no note.
    const auto unclosed = static_cast<std::size_t>(std::count_if(
        notes.begin(), notes.end(), [](const TUseFullMidiEvent& n) { return n.Unclosed && n.Velocity != 0; }));
    if (report.Unclosed.Count != unclosed)
        __builtin_trap();
    for (const TLostNotes* lost : {&report.Unclosed, &report.SameSlot, &report.TakenOver, &report.Merged})
        CheckLost(*lost, notes.size());
    for (const std::uint8_t language : {LanguageFrench, LanguageEnglish}) {
        if (ReportSummary(report.Summary, language).empty())
            __builtin_trap();
        (void)ReportLines(report, language);
    }
    return 0;
}

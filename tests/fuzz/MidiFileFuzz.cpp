// Any bytes as a MIDI file: either the reader or the conversion raises
// EMidiFileError (never saying that the bytes changed) or the whole
// conversion runs through to an image, without reading outside a chunk, the
// notes taken straight from the file cleaned as the steps one by one clean
// the list of notes.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ContactEvents.h"
#include "MidiFile.h"
#include "SeqFile.h"

namespace {

void Convert(const TMidiFile& file)
{
    std::vector<TUseFullMidiEvent> notes;
    CollectNoteEvents(file, notes);
    for (const std::uint16_t resolution : {100, 1000}) {
        std::vector<TUseFullMidiEvent> taken;
        std::vector<TContactorEvent> changes;
        CollectContactEvents(file, resolution, taken, changes);
        if (taken != notes)
            __builtin_trap();
        std::vector<TContactorEvent> stepByStep;
        BuildContactEvents(notes, stepByStep);
        QuantizeContactEvents(stepByStep, resolution);
        RemoveSameTimeDuplicates(stepByStep);
        RemoveRepeatedStates(stepByStep);
        if (changes != stepByStep)
            __builtin_trap();
        if (!CanFitFrameBlock(changes.size()))
            continue;
        SortContactEvents(changes);
        if (CheckSeqImage(changes, resolution) != TImageFit::Fits)
            continue;
        std::vector<TTrameOfContactorEvent> frames;
        BuildSeqFrames(changes, resolution, frames);
        if (BuildSeqImage(frames, resolution).size() != SeqFileSize)
            __builtin_trap();
    }
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
    // The conversion's own errors are caught as the reader's: only memory
    // can run out, since the bytes cannot change.
    try {
        Convert(file);
    } catch (const EMidiFileError& error) {
        if (std::string_view(error.what()).find("changed") != std::string_view::npos)
            __builtin_trap();
    }
    return 0;
}

#pragma once
// The timed output changes of a show, for playing it on the device: read
// back from a sequence image, or converted in memory from a MIDI file at a
// resolution, exactly as the image would hold them (nothing is written).

#include <cstdint>
#include <string>
#include <vector>

#include "SeqImage.h"
#include "UsefullMidiEventClasse.h"

struct TShow {
    std::vector<TContactorEvent> Changes;  // in time order
    std::uint16_t ResolutionMs = 1000;
};

// The changes of an image, frame after frame, at their frames' times.
TShow ShowOfImage(const TSeqImage& image);

// The show of a file: a .mid file (any case) converted at resolutionMs, any
// other read as a sequence image (at its own resolution). Throws what the
// reader throws (EMidiFileError, ESeqImageError).
TShow ReadShow(const std::string& path, std::uint16_t resolutionMs);

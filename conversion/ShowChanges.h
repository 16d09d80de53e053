#pragma once
// The timed output changes of a show, for playing it on the device: read
// back from a sequence image, or converted in memory from a MIDI file at a
// resolution, exactly as the image would hold them (nothing is written).

#include <cstdint>
#include <string>
#include <vector>

#include "SeqImage.h"
#include "UsefullMidiEventClasse.h"

// The changes of an image, frame after frame, at their frames' times.
std::vector<TContactorEvent> ChangesOfImage(const TSeqImage& image);

// The changes of a file: a .mid file (any case) converted at resolutionMs,
// any other read as a sequence image. Throws what the reader throws
// (EMidiFileError, ESeqImageError).
std::vector<TContactorEvent> ShowChanges(const std::string& path, std::uint16_t resolutionMs);

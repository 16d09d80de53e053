#pragma once
// The sequence image loaded into the device: a 32768-byte header block
// (resolution code and length of the frame data) and a 32768-byte frame
// block, one frame per distinct time.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "UsefullMidiEventClasse.h"

inline constexpr std::size_t SeqHeaderBlockSize = 32768;
inline constexpr std::size_t SeqFrameBlockSize = 32768;
inline constexpr std::size_t SeqFileSize = SeqHeaderBlockSize + SeqFrameBlockSize;

// One frame per distinct time of the sorted changes; the first frame holds
// the changes at time 0 (none when the first change comes later), and each
// frame's NextSlot is the slot of the frame after it.
void BuildSeqFrames(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs,
                    std::vector<TTrameOfContactorEvent>& seqFrames);

// Length of the frame records: the sum of 3 + 2 x pairs over all frames.
std::uint32_t FrameBytes(const std::vector<TTrameOfContactorEvent>& seqFrames);

// Whether the sorted changes make an image the device can hold.
enum class TImageFit {
    Fits,
    SlotTooLarge,         // a time beyond slot 65535, which NextSlot cannot say
    TooManyChangesAtOnce,  // 256 changes at one time, which a frame's count byte cannot say
    TooLarge,             // frame records longer than the frame block
};
TImageFit CheckSeqImage(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs);

// What the changes ask of the image at a resolution, whether it holds them
// or not: what a refusal tells the user.
struct TImageNeeds {
    std::uint64_t LastSlot = 0;  // of the last change
    std::uint32_t LastChangeMs = 0;
    std::optional<std::uint32_t> FullAtMs;  // the first time at which 256 changes fall
    std::uint64_t FrameBytes = 3;           // the first frame is always written
};
// The changes in any order; a copy of their times is sorted when they are
// not sorted already.
TImageNeeds MeasureSeqImage(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs);
// Whether the image holds what it needs; of several faults the slot comes
// first, then the changes at one time.
TImageFit FitOf(const TImageNeeds& needs);

// The most changes the frame block holds whatever their times (each takes
// two bytes, the first frame three): 16382. The command refuses more before
// sorting, so no larger list is ever sorted or built into frames.
inline constexpr std::size_t SeqMaxChanges = (SeqFrameBlockSize - 3) / 2;
bool CanFitFrameBlock(std::size_t changeCount);

// The 65536 bytes of the image. The frames must fit (CheckSeqImage).
std::vector<std::uint8_t> BuildSeqImage(const std::vector<TTrameOfContactorEvent>& seqFrames,
                                        std::uint16_t resolutionMs);

// Raised when the image file cannot be written.
class ESeqFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The sequence file a MIDI file converts to when none is named: its name
// with ".seq" for its extension, in its folder.
std::string SeqFileNameFor(const std::string& midiFile);

// Whether anything goes by the name of the sequence file, a dangling
// symbolic link included: writing it replaces something.
bool SeqFileExists(const std::string& path);

// Refuses (ESeqFileError) a sequence file name the image could not be
// written to: a folder, device, FIFO or socket, a write-protected file, or
// the MIDI file itself under whatever name.
void CheckSeqFileName(const std::string& path, const std::string& midiFile);

// Writes the image to a new file beside path and renames it over path only
// once complete; on failure nothing is left behind and an existing file is
// untouched. A symbolic link is followed; a replaced file keeps its
// permissions and owner. Refuses what CheckSeqFileName refuses. Throws
// ESeqFileError.
void WriteSeqImageFile(const std::string& path, const std::vector<std::uint8_t>& image,
                       const std::string& midiFile = {});

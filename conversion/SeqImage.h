#pragma once
// A sequence image read back from its file: checked byte by byte against the
// layout the conversion writes, then taken apart into its frames, for the
// viewer and its picture.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "UsefullMidiEventClasse.h"

// What makes bytes no valid image: the first fault found, in this order.
enum class TImageProblem {
    None,
    WrongSize,            // Value: the file's size
    HeaderNotSpace,       // Value: the byte found
    BadResolutionCode,    // Value: the code
    FrameBytesTooLarge,   // Value: the frame bytes
    NoFirstFrame,         // Value: the frame bytes, fewer than a frame record's 3
    RecordPastFrameBytes, // Value: the record's changes; Other: the frame bytes
    SlotNotAfter,         // Value: the next slot; Other: the slot of the frame
    LastSlotNotZero,      // Value: the last frame's next slot
    NotZeroAfterFrames,   // Value: the byte found
};

struct TImageCheck {
    TImageProblem Problem = TImageProblem::None;
    std::uint64_t Offset = 0;  // of the byte or record at fault
    std::uint64_t Value = 0;  // a file's size may pass 32 bits
    std::uint32_t Other = 0;

    bool Valid() const { return Problem == TImageProblem::None; }
};

// Checks the bytes of a file of fileSize bytes (bytes may hold only the
// first 65536 of them): the size, the header's spaces, the resolution code,
// the frame bytes, frame records that end exactly at the frame bytes, slots
// that grow from 0 with the last next slot 0, and zeros after the frames.
TImageCheck CheckImageBytes(std::string_view bytes, std::uint64_t fileSize);

// "byte 34: the resolution code is 7, not 1 to 4", in the language given.
std::string DescribeImageProblem(const TImageCheck& check, std::uint8_t languageIndex);

// A valid image taken apart.
struct TSeqImage {
    std::uint8_t ResolutionCode = 4;
    std::uint16_t ResolutionMs = 1000;
    std::uint16_t FrameBytes = 3;
    std::vector<TTrameOfContactorEvent> Frames;  // as the image holds them, the first at slot 0

    // The slot of frame index: 0 for the first, the previous frame's NextSlot after.
    std::uint16_t SlotOf(std::size_t index) const { return index == 0 ? 0 : Frames[index - 1].NextSlot; }
    std::uint32_t TimeOf(std::size_t index) const { return std::uint32_t{SlotOf(index)} * ResolutionMs; }
    std::size_t ChangeCount() const;
};

// Raised when a sequence file cannot be read or is no valid image; what()
// says so in English, naming the file.
class ESeqImageError : public std::runtime_error {
public:
    // The file could not be read: reason is the file rules' or the system's.
    ESeqImageError(const std::string& path, const std::string& reason);
    // The file is no valid image.
    ESeqImageError(const std::string& path, const TImageCheck& check);

    const std::string& Path() const { return path_; }
    const std::string& Reason() const { return reason_; }  // empty for an invalid image
    const TImageCheck& Check() const { return check_; }

private:
    std::string path_;
    std::string reason_;
    TImageCheck check_;
};

// The same message in the language given: "Cannot read the sequence file
// PATH: REASON" or "PATH is not a valid sequence image: byte N: ...".
std::string DescribeImageError(const ESeqImageError& error, std::uint8_t languageIndex);

// The bytes of a file checked as an image. Throws ESeqImageError.
TSeqImage ParseSeqImage(std::string_view bytes, const std::string& name);

// Reads and checks the file under the input rules of the conversion: only a
// regular file, and never more than one byte past an image's 65536 (its
// size tells a larger one). Throws ESeqImageError.
TSeqImage ReadSeqImageFile(const std::string& path);

// The resolution, the frame bytes, then a line per frame: its slot, its
// time and its changes as output=level ("-" for none).
std::string ImageListing(const TSeqImage& image);

// "time_ms,output,level", then a line per change in image order.
std::string ImageCsv(const TSeqImage& image);

// "h:mm:ss.mmm", hours as many as they come.
std::string ClockTime(std::uint32_t ms);

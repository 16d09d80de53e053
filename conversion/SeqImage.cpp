#include "SeqImage.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "InputFile.h"
#include "FileKind.h"
#include "Resolution.h"
#include "SeqFile.h"
#include "Text.h"
#include "Utf8.h"

namespace {

constexpr std::size_t FrameBytesAt = 32;
constexpr std::size_t ResolutionCodeAt = 34;

std::uint32_t BigEndian16(std::string_view bytes, std::size_t at)
{
    return std::uint32_t{static_cast<std::uint8_t>(bytes[at])} << 8 | static_cast<std::uint8_t>(bytes[at + 1]);
}

std::uint8_t Byte(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]);
}

std::string Hex(std::uint32_t byte)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte & 0xFFu);
    return text;
}

// Walks the frame records of bytes that passed the header's checks:
// record(offset, slot, pairs) for each, and the first fault of the records.
template <typename TRecord>
TImageCheck WalkFrames(std::string_view bytes, std::uint32_t frameBytes, TRecord record)
{
    const std::size_t end = SeqHeaderBlockSize + frameBytes;
    std::uint32_t slot = 0;
    for (std::size_t at = SeqHeaderBlockSize; at < end;) {
        if (end - at < 3)
            return {TImageProblem::RecordPastFrameBytes, at, 0, frameBytes};
        const std::uint32_t pairs = Byte(bytes, at + 2);
        if (end - at - 3 < 2 * pairs)
            return {TImageProblem::RecordPastFrameBytes, at, pairs, frameBytes};
        const std::uint32_t next = BigEndian16(bytes, at);
        const std::size_t after = at + 3 + 2 * pairs;
        record(at, pairs);
        if (after == end) {
            if (next != 0)
                return {TImageProblem::LastSlotNotZero, at, next, 0};
        } else if (next <= slot) {
            return {TImageProblem::SlotNotAfter, at, next, slot};
        }
        slot = next;
        at = after;
    }
    return {};
}

}  // namespace

TImageCheck CheckImageBytes(std::string_view bytes, std::uint64_t fileSize)
{
    if (fileSize != SeqFileSize || bytes.size() != SeqFileSize)
        return {TImageProblem::WrongSize, std::min<std::uint64_t>(fileSize, SeqFileSize), fileSize, 0};
    for (std::size_t at = 0; at < SeqHeaderBlockSize; ++at)
        if ((at < FrameBytesAt || at > ResolutionCodeAt) && Byte(bytes, at) != 0x20)
            return {TImageProblem::HeaderNotSpace, at, Byte(bytes, at), 0};
    if (ResolutionOfCode(Byte(bytes, ResolutionCodeAt)) == nullptr)
        return {TImageProblem::BadResolutionCode, ResolutionCodeAt, Byte(bytes, ResolutionCodeAt), 0};
    const std::uint32_t frameBytes = BigEndian16(bytes, FrameBytesAt);
    if (frameBytes > SeqFrameBlockSize)
        return {TImageProblem::FrameBytesTooLarge, FrameBytesAt, frameBytes, 0};
    if (frameBytes < 3)
        return {TImageProblem::NoFirstFrame, FrameBytesAt, frameBytes, 0};
    if (const TImageCheck frames = WalkFrames(bytes, frameBytes, [](std::size_t, std::uint32_t) {}); !frames.Valid())
        return frames;
    for (std::size_t at = SeqHeaderBlockSize + frameBytes; at < SeqFileSize; ++at)
        if (Byte(bytes, at) != 0)
            return {TImageProblem::NotZeroAfterFrames, at, Byte(bytes, at), 0};
    return {};
}

namespace {

ViewerEntry FaultEntry(TImageProblem problem)
{
    switch (problem) {
    case TImageProblem::WrongSize: return ViewerEntry::WrongSize;
    case TImageProblem::HeaderNotSpace: return ViewerEntry::HeaderNotSpace;
    case TImageProblem::BadResolutionCode: return ViewerEntry::BadResolutionCode;
    case TImageProblem::FrameBytesTooLarge: return ViewerEntry::FrameBytesTooLarge;
    case TImageProblem::NoFirstFrame: return ViewerEntry::NoFirstFrame;
    case TImageProblem::RecordPastFrameBytes: return ViewerEntry::RecordPastFrameBytes;
    case TImageProblem::SlotNotAfter: return ViewerEntry::SlotNotAfter;
    case TImageProblem::LastSlotNotZero: return ViewerEntry::LastSlotNotZero;
    case TImageProblem::NotZeroAfterFrames: return ViewerEntry::NotZeroAfterFrames;
    case TImageProblem::None: break;
    }
    throw std::logic_error("a valid image has no fault to describe");
}

}  // namespace

std::string DescribeImageProblem(const TImageCheck& check, std::uint8_t languageIndex)
{
    const auto text = [languageIndex](ViewerEntry entry) { return LookupText(entry, languageIndex); };
    const bool isByte = check.Problem == TImageProblem::HeaderNotSpace ||
                        check.Problem == TImageProblem::NotZeroAfterFrames;
    const std::string fault =
        Fill(text(FaultEntry(check.Problem)),
             {isByte ? Hex(static_cast<std::uint8_t>(check.Value)) : std::to_string(check.Value),
              std::to_string(check.Other)});
    return Fill(text(ViewerEntry::AtByte), {std::to_string(check.Offset), fault});
}

std::size_t TSeqImage::ChangeCount() const
{
    std::size_t changes = 0;
    for (const TTrameOfContactorEvent& frame : Frames)
        changes += frame.Pairs.size();
    return changes;
}

ESeqImageError::ESeqImageError(const std::string& path, const std::string& reason)
    : std::runtime_error("Cannot read the sequence file " + path + ": " + reason), path_(path), reason_(reason)
{
}

ESeqImageError::ESeqImageError(const std::string& path, const TImageCheck& check)
    : std::runtime_error(path + " is not a valid sequence image: " + DescribeImageProblem(check, LanguageEnglish)),
      path_(path), check_(check)
{
}

std::string DescribeImageError(const ESeqImageError& error, std::uint8_t languageIndex)
{
    if (error.Check().Valid())
        return Fill(LookupText(ViewerEntry::CannotRead, languageIndex),
                    {error.Path(), error.Reason()});
    return Fill(LookupText(ViewerEntry::NotAnImage, languageIndex),
                {error.Path(), DescribeImageProblem(error.Check(), languageIndex)});
}

namespace {

TSeqImage ParseSeqImage(std::string_view bytes, std::uint64_t fileSize, const std::string& name)
{
    const TImageCheck check = CheckImageBytes(bytes, fileSize);
    if (!check.Valid())
        throw ESeqImageError(name, check);
    TSeqImage image;
    image.ResolutionCode = Byte(bytes, ResolutionCodeAt);
    image.ResolutionMs = ResolutionOfCode(image.ResolutionCode)->Ms;
    image.FrameBytes = static_cast<std::uint16_t>(BigEndian16(bytes, FrameBytesAt));
    WalkFrames(bytes, image.FrameBytes, [&](std::size_t at, std::uint32_t pairs) {
        TTrameOfContactorEvent& frame = image.Frames.emplace_back();
        frame.NextSlot = static_cast<std::uint16_t>(BigEndian16(bytes, at));
        frame.Pairs.reserve(pairs);
        for (std::size_t p = at + 3; p < at + 3 + 2 * pairs; p += 2)
            frame.add(Byte(bytes, p), Byte(bytes, p + 1));
    });
    return image;
}

}  // namespace

TSeqImage ParseSeqImage(std::string_view bytes, const std::string& name)
{
    return ParseSeqImage(bytes, bytes.size(), name);
}

TSeqImage ReadSeqImageFile(const std::string& path)
{
    std::string bytes;
    std::uint64_t size = 0;
    try {
        TInputFile input = OpenInputFile(PathFromUtf8(path));
        size = input.Stamp.Size;
        // A larger file is told by its size; its bytes are not needed.
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, SeqFileSize)));
        const std::size_t got = ReadInputFile(input, 0, bytes.data(), bytes.size());
        if (got < bytes.size())  // it shrank since it was opened
            size = got;
        bytes.resize(got);
    } catch (const EFileRefused& refused) {
        throw ESeqImageError(path, refused.what());
    } catch (const std::system_error& error) {
        throw ESeqImageError(path, error.code().message());
    }
    return ParseSeqImage(bytes, size, path);
}

std::string ImageListing(const TSeqImage& image)
{
    std::string listing = "Resolution: " + std::to_string(image.ResolutionMs) + " ms (code " +
                          std::to_string(image.ResolutionCode) + ")\nFrame bytes: " +
                          std::to_string(image.FrameBytes) + " of 32768\n";
    for (std::size_t f = 0; f < image.Frames.size(); ++f) {
        char head[40];
        std::snprintf(head, sizeof head, "slot %5u  ", unsigned{image.SlotOf(f)});
        listing += head + ClockTime(image.TimeOf(f)) + ' ';
        for (const TCntTrameData& pair : image.Frames[f].Pairs)
            listing += ' ' + std::to_string(pair.Contact) + '=' + std::to_string(pair.Value);
        if (image.Frames[f].Pairs.empty())
            listing += " -";  // the first frame, when nothing changes at 0
        listing += '\n';
    }
    return listing;
}

std::string ImageCsv(const TSeqImage& image)
{
    std::string csv = "time_ms,output,level\n";
    for (std::size_t f = 0; f < image.Frames.size(); ++f)
        for (const TCntTrameData& pair : image.Frames[f].Pairs)
            csv += std::to_string(image.TimeOf(f)) + ',' + std::to_string(pair.Contact) + ',' +
                   std::to_string(pair.Value) + '\n';
    return csv;
}

std::string ClockTime(std::uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u:%02u.%03u", ms / 3600000u, ms / 60000u % 60u, ms / 1000u % 60u,
                  ms % 1000u);
    return text;
}

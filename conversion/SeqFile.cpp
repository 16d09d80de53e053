#include "SeqFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "FileKind.h"
#include "FileReplace.h"
#include "Resolution.h"
#include "Utf8.h"

void BuildSeqFrames(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs,
                    std::vector<TTrameOfContactorEvent>& seqFrames)
{
    const std::uint32_t r = ResolutionOf(resolutionMs).Ms;
    std::size_t frames = 1;
    std::uint32_t time = 0;
    for (const TContactorEvent& e : contactEvents)
        if (e.TimeMs != time) {
            time = e.TimeMs;
            ++frames;
        }
    // The frames of the previous build are emptied and reused, with the room
    // their pairs had: a window that converts again allocates nothing new.
    seqFrames.resize(frames);
    for (TTrameOfContactorEvent& frame : seqFrames) {
        frame.NextSlot = 0;
        frame.Pairs.clear();
    }
    std::size_t current = 0;
    std::uint32_t previousTime = 0;
    for (auto run = contactEvents.begin(); run != contactEvents.end();) {
        const std::uint32_t runTime = run->TimeMs;
        const auto runEnd = std::find_if(run, contactEvents.end(),
                                         [runTime](const TContactorEvent& e) { return e.TimeMs != runTime; });
        if (runTime != previousTime) {
            seqFrames[current].NextSlot = static_cast<std::uint16_t>(runTime / r);
            previousTime = runTime;
            ++current;
        }
        // One allocation a frame rather than one for each doubling.
        TTrameOfContactorEvent& frame = seqFrames[current];
        frame.Pairs.reserve(std::min(static_cast<std::size_t>(runEnd - run), TTrameOfContactorEvent::MaxPairs));
        for (; run != runEnd; ++run)
            frame.add(run->Contact, run->Value);
    }
}

std::uint32_t FrameBytes(const std::vector<TTrameOfContactorEvent>& seqFrames)
{
    std::uint32_t bytes = 0;
    for (const TTrameOfContactorEvent& frame : seqFrames)
        bytes += 3u + 2u * static_cast<std::uint32_t>(frame.Pairs.size());
    return bytes;
}

namespace {

// The needs of changes whose times, in order, time(0) to time(count - 1) give.
template <typename TTimeAt>
TImageNeeds MeasureTimes(std::size_t count, TTimeAt time, std::uint32_t r)
{
    TImageNeeds needs;
    std::uint32_t previousTime = 0;
    std::size_t atOnce = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t t = time(i);
        if (t != previousTime) {
            previousTime = t;
            atOnce = 0;
            needs.FrameBytes += 3;
        }
        if (++atOnce >= TTrameOfContactorEvent::MaxPairs && !needs.FullAtMs)
            needs.FullAtMs = t;
        needs.FrameBytes += 2;
    }
    if (count > 0) {
        needs.LastChangeMs = time(count - 1);
        needs.LastSlot = needs.LastChangeMs / r;
    }
    return needs;
}

}  // namespace

TImageNeeds MeasureSeqImage(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs)
{
    const std::uint32_t r = ResolutionOf(resolutionMs).Ms;
    const auto byTime = [](const TContactorEvent& a, const TContactorEvent& b) { return a.TimeMs < b.TimeMs; };
    if (std::is_sorted(contactEvents.begin(), contactEvents.end(), byTime))
        return MeasureTimes(contactEvents.size(), [&](std::size_t i) { return contactEvents[i].TimeMs; }, r);
    std::vector<std::uint32_t> times(contactEvents.size());
    std::transform(contactEvents.begin(), contactEvents.end(), times.begin(),
                   [](const TContactorEvent& e) { return e.TimeMs; });
    std::sort(times.begin(), times.end());
    return MeasureTimes(times.size(), [&](std::size_t i) { return times[i]; }, r);
}

TImageFit FitOf(const TImageNeeds& needs)
{
    if (needs.LastSlot > 0xFFFF)
        return TImageFit::SlotTooLarge;
    if (needs.FullAtMs)
        return TImageFit::TooManyChangesAtOnce;
    if (needs.FrameBytes > SeqFrameBlockSize)
        return TImageFit::TooLarge;
    return TImageFit::Fits;
}

TImageFit CheckSeqImage(const std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs)
{
    return FitOf(MeasureSeqImage(contactEvents, resolutionMs));
}

bool CanFitFrameBlock(std::size_t changeCount)
{
    return changeCount <= SeqMaxChanges;
}

std::vector<std::uint8_t> BuildSeqImage(const std::vector<TTrameOfContactorEvent>& seqFrames,
                                        std::uint16_t resolutionMs)
{
    // Header block of spaces, frame block of zeros.
    std::vector<std::uint8_t> image(SeqFileSize, 0x00);
    std::memset(image.data(), 0x20, SeqHeaderBlockSize);
    const std::uint32_t frameBytes = FrameBytes(seqFrames);
    image[32] = static_cast<std::uint8_t>(frameBytes >> 8);
    image[33] = static_cast<std::uint8_t>(frameBytes);
    image[34] = ResolutionOf(resolutionMs).Code;

    std::size_t at = SeqHeaderBlockSize;
    for (const TTrameOfContactorEvent& frame : seqFrames) {
        if (at + 3 + 2 * frame.Pairs.size() > image.size())
            throw std::length_error("sequence frames exceed the frame block");
        image[at++] = static_cast<std::uint8_t>(frame.NextSlot >> 8);
        image[at++] = static_cast<std::uint8_t>(frame.NextSlot);
        image[at++] = frame.Size();
        for (const TCntTrameData& pair : frame.Pairs) {
            image[at++] = pair.Contact;
            image[at++] = pair.Value;
        }
    }
    return image;
}

namespace {

// Runs a step of the file rules with their failures in the words of the
// sequence file.
template <typename TStep>
void AsSeqFileStep(const std::string& path, TStep step)
{
    try {
        step();
    } catch (const EFileRefused& refused) {
        throw ESeqFileError("Cannot write the sequence file " + path + ": " + refused.what());
    } catch (const std::system_error& e) {
        throw ESeqFileError("Cannot write the sequence file " + path + ": " + e.code().message());
    }
}

}  // namespace

std::string SeqFileNameFor(const std::string& midiFile)
{
    std::filesystem::path name = PathFromUtf8(midiFile);
    return Utf8FromPath(name.replace_extension(".seq"));
}

bool SeqFileExists(const std::string& path)
{
    return OutputNameTaken(PathFromUtf8(path));
}

void CheckSeqFileName(const std::string& path, const std::string& midiFile)
{
    AsSeqFileStep(path, [&] { CheckOutputFile(PathFromUtf8(path), PathFromUtf8(midiFile)); });
}

void WriteSeqImageFile(const std::string& path, const std::vector<std::uint8_t>& image, const std::string& midiFile)
{
    AsSeqFileStep(path, [&] {
        ReplaceFileContents(PathFromUtf8(path),
                            std::string_view(reinterpret_cast<const char*>(image.data()), image.size()),
                            PathFromUtf8(midiFile));
    });
}

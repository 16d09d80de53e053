// Any bytes as a sequence image: the check finds the first fault or none,
// and an image it takes is exactly the image its frames build again; its
// listing, CSV and picture (in both languages) are made from it, without
// reading outside it. A fault is described in both languages.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "SeqFile.h"
#include "SeqImage.h"
#include "SeqPicture.h"
#include "SvgPicture.h"
#include "Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A short input stands for an image of spaces and zeros whose frame
    // bytes and resolution code are its first three bytes and whose frame
    // block begins with the rest: the bytes that take any value.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size < SeqFileSize) {
        std::string image(SeqHeaderBlockSize, ' ');
        image.resize(SeqFileSize, '\0');
        image.replace(32, std::min<std::size_t>(size, 3), bytes, 0, 3);
        if (size > 3) {
            const std::size_t frames = std::min(size - 3, SeqFrameBlockSize);
            image.replace(SeqHeaderBlockSize, frames, bytes, 3, frames);
        }
        bytes = std::move(image);
    }
    const TImageCheck check = CheckImageBytes(bytes, bytes.size());
    if (!check.Valid())
        for (const std::uint8_t language : {LanguageFrench, LanguageEnglish})
            if (DescribeImageProblem(check, language).empty())
                __builtin_trap();
    TSeqImage image;
    try {
        image = ParseSeqImage(bytes, "fuzz.seq");
    } catch (const ESeqImageError& error) {
        if (check.Valid() || DescribeImageError(error, LanguageFrench).empty())
            __builtin_trap();
        return 0;
    }
    if (!check.Valid())
        __builtin_trap();
    const std::vector<std::uint8_t> rebuilt = BuildSeqImage(image.Frames, image.ResolutionMs);
    if (!std::equal(rebuilt.begin(), rebuilt.end(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                    reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size()))
        __builtin_trap();
    const std::string csv = ImageCsv(image);
    if (static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')) != image.ChangeCount() + 1)
        __builtin_trap();
    (void)ImageListing(image);
    for (const std::uint8_t language : {LanguageFrench, LanguageEnglish})
        (void)SequenceSvg(LayOutSequence(image, language));
    return 0;
}

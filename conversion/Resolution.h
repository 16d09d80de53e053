#pragma once
// The four time resolutions: how the window chooses and shows each one and
// how the image says it. Whatever is not one of them (a Tag of no resolution
// control, a hand-edited settings file) goes as 1 second, the first row.

#include <array>
#include <cstddef>
#include <cstdint>

struct TResolution {
    std::uint16_t Ms;      // one time slot
    int Tag;               // Tag of its selection picture and menu item
    std::uint8_t Code;     // the image header's ResolutionCode
    const char* Picture;   // the selection picture that shows it
    const char* MenuItem;  // the menu item that shows it
};

// In the window's order, left to right and top to bottom; a row's index is
// also its index in the window's arrays of pictures and menu items.
inline constexpr std::array<TResolution, 4> Resolutions{{
    {1000, 1, 4, "Image1", "N1Seconde1"},
    {500, 2, 3, "Image2", "N500ms1"},
    {250, 3, 2, "Image3", "N250ms1"},
    {100, 4, 1, "Image5", "N100ms1"},
}};

// Index of the row of a resolution in ms; 0 (1 second) for any other value.
constexpr std::size_t ResolutionIndex(std::uint16_t ms)
{
    for (std::size_t i = 0; i < Resolutions.size(); ++i)
        if (Resolutions[i].Ms == ms)
            return i;
    return 0;
}

// The row a resolution in ms converts, is written and is shown as; the
// settings keep an odd value as it was read.
constexpr const TResolution& ResolutionOf(std::uint16_t ms)
{
    return Resolutions[ResolutionIndex(ms)];
}

// The row of an image header's ResolutionCode; nullptr for a code of none.
constexpr const TResolution* ResolutionOfCode(std::uint8_t code)
{
    for (const TResolution& r : Resolutions)
        if (r.Code == code)
            return &r;
    return nullptr;
}

// The milliseconds a picture's or menu item's Tag chooses; 1000 for any other Tag.
constexpr std::uint16_t ResolutionMsOfTag(int tag)
{
    for (const TResolution& r : Resolutions)
        if (r.Tag == tag)
            return r.Ms;
    return Resolutions[0].Ms;
}

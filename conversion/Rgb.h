#pragma once
// A colour as red, green and blue, for the pictures the core lays out and
// the window's description alike; each face turns it into its own.

#include <cstdint>

struct TRgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;

    bool operator==(const TRgb&) const = default;
};

#pragma once
// The product of a double and a 32-bit count as the x87 80-bit extended
// format computes it (64-bit mantissa, round to nearest even), truncated
// toward zero, done with integers so that every platform gets the same value.

#include <cstdint>

// Saturates at UINT64_MAX; 0 for a factor that is not a positive finite number.
std::uint64_t TruncatedExtendedProduct(double factor, std::uint32_t count);

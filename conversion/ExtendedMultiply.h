#pragma once
// The product of a double and a 32-bit count as the x87 80-bit extended
// format computes it (64-bit mantissa, round to nearest even), truncated
// toward zero, done with integers so that every platform gets the same value.

#include <cstdint>

// A factor split once into its integer mantissa and binary exponent, for
// many products with the same factor.
class TExtendedFactor {
public:
    explicit TExtendedFactor(double factor);
    // Saturates at UINT64_MAX; 0 for a factor that is not a positive finite number.
    std::uint64_t TruncatedProduct(std::uint32_t count) const;

private:
    std::uint64_t mantissa_ = 0;  // 53 bits, 0 for an unusable factor
    int exponent_ = 0;
};

inline std::uint64_t TruncatedExtendedProduct(double factor, std::uint32_t count)
{
    return TExtendedFactor(factor).TruncatedProduct(count);
}

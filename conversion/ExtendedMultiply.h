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
    std::uint64_t TruncatedProduct(std::uint32_t count) const
    {
        // The exact product has at most 85 bits, so rounding it to 64 moves
        // it by less than 2^21. When the truncation drops 32 bits or more
        // (a tempo's factor drops some 40), and the dropped bits from bit 21
        // up are not all ones, the rounding cannot reach the bits kept:
        // they are the exact product's, in 64-bit arithmetic.
        const int dropped = -exponent_;
        if (dropped >= 32 && dropped < 85) {
            const std::uint64_t low = (mantissa_ & 0xFFFFFFFFu) * count;
            const std::uint64_t high = (mantissa_ >> 32) * count + (low >> 32);  // the product is high * 2^32 + low's 32 bits
            const std::uint64_t above = (std::uint64_t{1} << (dropped - 21)) - 1;
            if ((((high << 11) | ((low & 0xFFFFFFFFu) >> 21)) & above) != above)
                return high >> (dropped - 32);
        }
        return RoundedProduct(count);
    }

private:
    std::uint64_t RoundedProduct(std::uint32_t count) const;

    std::uint64_t mantissa_ = 0;  // 53 bits, 0 for an unusable factor
    int exponent_ = 0;
};

inline std::uint64_t TruncatedExtendedProduct(double factor, std::uint32_t count)
{
    return TExtendedFactor(factor).TruncatedProduct(count);
}

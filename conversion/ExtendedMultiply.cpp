#include "ExtendedMultiply.h"

#include <bit>
#include <cmath>
#include <limits>

namespace {

// An unsigned 128-bit value as two halves, to stay portable.
struct TU128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

TU128 Multiply(std::uint64_t a, std::uint32_t b)
{
    const std::uint64_t aLo = a & 0xFFFFFFFFu;
    const std::uint64_t aHi = a >> 32;
    const std::uint64_t low = aLo * b;
    const std::uint64_t high = aHi * b + (low >> 32);
    return TU128{high >> 32, (high << 32) | (low & 0xFFFFFFFFu)};
}

int BitLength(const TU128& v)
{
    return v.hi ? 128 - std::countl_zero(v.hi) : 64 - std::countl_zero(v.lo);
}

// v >> shift for 0 < shift < 128.
std::uint64_t ShiftRight(const TU128& v, int shift)
{
    if (shift >= 64)
        return v.hi >> (shift - 64);
    return (v.lo >> shift) | (v.hi << (64 - shift));
}

// The low `shift` bits of v compared with half of 2^shift: -1 below, 0 equal, 1 above.
int CompareRemainderWithHalf(const TU128& v, int shift)
{
    // Bit shift-1 is the half bit; the bits below it decide ties.
    const int halfBit = shift - 1;
    const bool half = halfBit >= 64 ? ((v.hi >> (halfBit - 64)) & 1u) : ((v.lo >> halfBit) & 1u);
    bool below = false;
    if (halfBit >= 64) {
        const int hiBits = halfBit - 64;
        below = v.lo != 0 || (hiBits > 0 && (v.hi & ((std::uint64_t{1} << hiBits) - 1)) != 0);
    } else if (halfBit > 0) {
        below = (v.lo & ((std::uint64_t{1} << halfBit) - 1)) != 0;
    }
    if (!half)
        return -1;
    return below ? 1 : 0;
}

}  // namespace

TExtendedFactor::TExtendedFactor(double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    // factor = mantissa * 2^exponent with a 53-bit integer mantissa.
    const double fraction = std::frexp(factor, &exponent_);
    mantissa_ = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent_ -= 53;
}

// The product rounded to 64 significant bits as the x87 unit rounds it,
// then truncated.
std::uint64_t TExtendedFactor::RoundedProduct(std::uint32_t count) const
{
    if (mantissa_ == 0 || count == 0)
        return 0;
    const std::uint64_t mantissa = mantissa_;
    int exponent = exponent_;

    // The exact product has at most 85 bits; round it to 64 significant bits.
    const TU128 exact = Multiply(mantissa, count);
    std::uint64_t significand;
    const int bits = BitLength(exact);
    if (bits > 64) {
        const int shift = bits - 64;
        significand = ShiftRight(exact, shift);
        const int cmp = CompareRemainderWithHalf(exact, shift);
        if (cmp > 0 || (cmp == 0 && (significand & 1u))) {
            ++significand;
            if (significand == 0) {  // carried out of 64 bits
                significand = std::uint64_t{1} << 63;
                exponent += 1;
            }
        }
        exponent += shift;
    } else {
        significand = exact.lo;
    }

    // Truncate significand * 2^exponent toward zero.
    if (exponent >= 0) {
        if (exponent >= 64 || significand > (std::numeric_limits<std::uint64_t>::max() >> exponent))
            return std::numeric_limits<std::uint64_t>::max();
        return significand << exponent;
    }
    if (exponent <= -64)
        return 0;
    return significand >> -exponent;
}

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "ContactEvents.h"
#include "ExtendedMultiply.h"

namespace {

TEST(TicksToMs, TruncatesTheMicrosecondsThenTheMilliseconds)
{
    const double perTick = 500000.0 / 480;  // 1041.666...
    EXPECT_EQ(TicksToMs(perTick, 960), 1000u);
    EXPECT_EQ(TicksToMs(perTick, 1), 1u);
    EXPECT_EQ(TicksToMs(perTick, 0), 0u);
    // 999.7 microseconds are 0 ms, never rounded up.
    EXPECT_EQ(TicksToMs(479856.0 / 480, 1), 0u);
    EXPECT_EQ(TicksToMs(479856.0 / 480, 2), 1u);
}

TEST(TicksToMs, LongFilesDoNotWrapAfter71Minutes)
{
    // 5 000 000 000 microseconds would wrap in 32 bits.
    EXPECT_EQ(TicksToMs(1000.0, 5000000), 5000000u);
    EXPECT_EQ(TicksToMs(16777215.0, 0xFFFFFFFFu), 0xFFFFFFFFu) << "saturates";
}

TEST(ExtendedProduct, RoundingToSixtyFourBitsCanCarryIntoTheIntegerPart)
{
    // m * t ends in 33 one-bits, so m * t * 2^-33 lies 2^-33 below an
    // integer N; rounded to 64 significant bits it becomes N itself, which
    // the exact product truncated would not give.
    const std::uint64_t m = (std::uint64_t{1} << 52) + (std::uint64_t{1} << 32) + 1;
    const std::uint32_t t = 0xFFFFFFFFu;
    const double factor = std::ldexp(static_cast<double>(m), -33);
#ifdef __SIZEOF_INT128__
    __extension__ using U128 = unsigned __int128;
    const U128 exact = static_cast<U128>(m) * t;
    ASSERT_EQ(static_cast<std::uint64_t>(exact) & ((std::uint64_t{1} << 33) - 1), (std::uint64_t{1} << 33) - 1);
    EXPECT_EQ(TruncatedExtendedProduct(factor, t), static_cast<std::uint64_t>(exact >> 33) + 1);
#endif
    // A factor of exactly 2^-1 with an odd count: the half is dropped, never rounded up.
    EXPECT_EQ(TruncatedExtendedProduct(0.5, 7), 3u);
    EXPECT_EQ(TruncatedExtendedProduct(0.0, 10), 0u);
    EXPECT_EQ(TruncatedExtendedProduct(-3.0, 10), 0u);
    EXPECT_EQ(TruncatedExtendedProduct(std::nan(""), 10), 0u);
}

#if LDBL_MANT_DIG == 64
// Where long double is the x87 format, the integer emulation must agree
// with the hardware for every factor a tempo can give and for random ones.
TEST(ExtendedProduct, AgreesWithX87ExtendedPrecision)
{
    std::mt19937_64 random(12345);
    auto check = [](double factor, std::uint32_t count) {
        const long double product = static_cast<long double>(factor) * static_cast<long double>(count);
        const auto expected = static_cast<std::uint64_t>(product);
        ASSERT_EQ(TruncatedExtendedProduct(factor, count), expected) << factor << " x " << count;
    };
    for (int i = 0; i < 200000; ++i) {
        const auto tempo = static_cast<std::uint32_t>(1 + random() % 0xFFFFFF);
        const auto division = static_cast<std::uint32_t>(1 + random() % 0x7FFF);
        const auto count = static_cast<std::uint32_t>(random());
        check(static_cast<double>(tempo) / division, count);
        check(static_cast<double>(tempo) / division, count & 0xFFFF);
    }
    // Factors with long mantissas and counts with many bits (products below
    // 2^64, where the hardware conversion is defined) produce ties
    // and carries in the rounding.
    for (int i = 0; i < 200000; ++i) {
        const double factor = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(22 + random() % 40));
        check(factor, static_cast<std::uint32_t>(random()) | 0x80000000u);
        check(factor, 0xFFFFFFFFu);
    }
}
#endif

}  // namespace

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>

#include "Resolution.h"

namespace {

TEST(Resolutions, EachControlChoosesTheResolutionItShowsAndTheImageSays)
{
    std::set<std::uint8_t> codes;
    std::set<std::string> controls;
    for (const TResolution& row : Resolutions) {
        // Tag -> ms -> the same row: no Tag or ms stands in two rows.
        const std::uint16_t ms = ResolutionMsOfTag(row.Tag);
        EXPECT_EQ(ms, row.Ms);
        EXPECT_EQ(&ResolutionOf(ms), &row) << ms;
        EXPECT_EQ(&Resolutions[ResolutionIndex(ms)], &row) << ms;
        codes.insert(row.Code);
        controls.insert(row.Picture);
        controls.insert(row.MenuItem);
    }
    EXPECT_EQ(codes, (std::set<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(controls.size(), 2 * Resolutions.size());
}

TEST(Resolutions, AnythingElseGoesAsOneSecond)
{
    for (const std::uint16_t ms : std::initializer_list<std::uint16_t>{0, 1, 99, 101, 300, 999, 1001, 65535}) {
        EXPECT_EQ(ResolutionOf(ms).Ms, 1000) << ms;
        EXPECT_EQ(ResolutionOf(ms).Code, 4) << ms;
        EXPECT_EQ(ResolutionIndex(ms), 0u) << ms;
        EXPECT_EQ(std::string(ResolutionOf(ms).Picture), "Image1") << ms;
    }
    for (const int tag : {-1, 0, 5, 1000})
        EXPECT_EQ(ResolutionMsOfTag(tag), 1000) << tag;
}

}  // namespace

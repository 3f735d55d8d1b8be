// Paths, the random integers and text formatting: exact answers that
// need no device.
#include <gtest/gtest.h>

#include "overlay/bitmap_font.h"
#include "overlay/text_stream.h"
#include "random.h"
#include "scene/scene.h"

namespace {

TEST(DirectoryOfPath, KeepsEverythingUpToTheLastBackslash) {
    EXPECT_EQ(DirectoryOfPath("Materials\\tree.x"), "Materials\\");
    EXPECT_EQ(DirectoryOfPath("a\\b\\c.x"), "a\\b\\");
    EXPECT_EQ(DirectoryOfPath("tree.x"), "");
    EXPECT_EQ(DirectoryOfPath(""), "");
    EXPECT_EQ(DirectoryOfPath("Materials/tree.x"), "");  // only the backslash separates
    EXPECT_EQ(DirectoryOfPath("C:\\"), "C:\\");
}

TEST(RandomInteger, StaysWithinTheTargetPlatformsRange) {
    SeedRandomInteger(12345);
    int first = RandomInteger();
    int low = 32767, high = 0;
    for (int i = 0; i < 100000; ++i) {
        int r = RandomInteger();
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 32767);
    SeedRandomInteger(12345);
    EXPECT_EQ(RandomInteger(), first);  // a seed gives one sequence
}

TEST(TextFormatting, GeneralNotationWithSixDigitsAndThreeDigitExponents) {
    EXPECT_EQ(FormatGeneral(300), "300");
    EXPECT_EQ(FormatGeneral(10), "10");
    EXPECT_EQ(FormatGeneral(-3.14159265), "-3.14159");
    EXPECT_EQ(FormatGeneral(123456.7), "123457");
    EXPECT_EQ(FormatGeneral(1234567), "1.23457e+006");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00001), "1e-005");
    EXPECT_EQ(FormatGeneral((double)1.1920929e-07f), "1.19209e-007");
    EXPECT_EQ(FormatGeneral(999999.5), "1e+006");  // rounding carries into the exponent
    EXPECT_EQ(FormatGeneral(0.0), "0");
    EXPECT_EQ(FormatGeneral(38.33333), "38.3333");
    TextBuilder text;
    text << "Verts:  " << 4294967295u << ' ' << -12 << ' ' << 10.0f;
    EXPECT_STREQ(text.c_str(), "Verts:  4294967295 -12 10");
    text.Clear();
    EXPECT_STREQ(text.c_str(), "");
}

// A font of 16 points and more needs a bigger atlas than 256 x 256 for its
// printable glyphs.
TEST(Atlas, GrowsWithTheFontHeight) {
    DWORD heights[] = {8, 15, 16, 30, 31, 60, 61}, sizes[] = {256, 256, 512, 512, 1024, 1024, 2048};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(AtlasSizeForHeight(heights[i]), sizes[i]) << heights[i];
}

}  // namespace

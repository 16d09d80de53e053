#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utf8.h"
#include "Windows1252.h"

TEST(Utf8, OnlyWellFormedSequencesAreValid)
{
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"M\xC3\xA9lodie", true},               // é
        {"\xE2\x82\xAC", true},                 // €
        {"\xF0\x9F\x8E\xB9", true},             // a piano, beyond the 16-bit range
        {"\xEF\xBF\xBD", true},                 // U+FFFD itself
        {"M\xE9lodie", false},                  // é in Windows-1252
        {"\xC3", false},                        // cut short
        {"\xA9", false},                        // a continuation byte alone
        {"\xC0\xAF", false},                    // overlong
        {"\xE0\x80\xAF", false},                // overlong
        {"\xED\xA0\x80", false},                // a surrogate
        {"\xF4\x90\x80\x80", false},            // beyond U+10FFFF
        {"\xFF", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(Utf8, WideTextRoundTripsAndBadSequencesBecomeTheReplacementCharacter)
{
    const std::string text = "\xCE\xA9mega \xF0\x9F\x8E\xB9 \xC3\xA9t\xC3\xA9";  // Ωmega 🎹 été
    const std::wstring wide = WideFromUtf8(text);
    // The piano takes two UTF-16 units on Windows, one UTF-32 unit elsewhere.
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 12u : 11u);
    EXPECT_EQ(wide[0], L'\x03A9');
    EXPECT_EQ(Utf8FromWide(wide), text);

    EXPECT_EQ(WideFromUtf8("a\xFF" "b\xC3"), std::wstring(L"a\xFFFD" L"b\xFFFD"));
    EXPECT_EQ(Utf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "\xEF\xBF\xBDx")
        << "an unpaired surrogate";

    const std::filesystem::path path = PathFromUtf8("dir/" + text + ".mid");
    EXPECT_EQ(Utf8FromPath(path.filename()), text + ".mid");
    EXPECT_EQ(Utf8FromPath(path), "dir/" + text + ".mid");
}

TEST(Windows1252, EveryByteReadsAndTheCharactersItHasAreWrittenBack)
{
    const std::string old = "M\xE9lodie \x80 \x93x\x94 \x81\x9F";
    const std::string utf8 = Utf8FromWindows1252(old);
    EXPECT_EQ(utf8, "M\xC3\xA9lodie \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC2\x81\xC5\xB8");
    EXPECT_EQ(Windows1252FromUtf8(utf8), old);

    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    EXPECT_TRUE(IsValidUtf8(Utf8FromWindows1252(everyByte)));
    EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(everyByte)), everyByte);

    EXPECT_EQ(Windows1252FromUtf8("plain"), "plain");
    EXPECT_EQ(Windows1252FromUtf8("\xCE\xA9mega"), std::nullopt) << "no omega in Windows-1252";
    EXPECT_EQ(Windows1252FromUtf8("\xF0\x9F\x8E\xB9"), std::nullopt);
    EXPECT_EQ(Windows1252FromUtf8("M\xE9lodie"), std::nullopt) << "no UTF-8";
}

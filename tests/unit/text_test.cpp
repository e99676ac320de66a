#include "os/text.h"

#include <gtest/gtest.h>

#include "os/utf8.h"

namespace korvane {
namespace {

using Lines = std::vector<std::string_view>;

TEST(StrCat, WritesEveryIntegerAsDecimalText) {
    uint8_t percent = 80;
    EXPECT_EQ(str_cat("[INFO] Setting CPU Max to ", percent, "%..."), "[INFO] Setting CPU Max to 80%...");
    EXPECT_EQ(str_cat(-5, "/", size_t{8}), "-5/8");
}

TEST(SplitLines, FollowsTheLineRule) {
    EXPECT_EQ(split_lines(""), Lines{});
    EXPECT_EQ(split_lines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(split_lines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(split_lines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(split_lines("a\n\nb\n\n"), (Lines{"a", "", "b", ""}));
}

TEST(SplitWhitespace, DropsEmptyWords) {
    EXPECT_EQ(split_whitespace(" 300000  600000 \n"), (Lines{"300000", "600000"}));
    EXPECT_EQ(split_whitespace(" \t\n"), Lines{});
}

// A value with a line end would split a protocol line in two.
TEST(OneLine, ShowsLineEndsAsEscapes) {
    EXPECT_EQ(one_line("95\t95\n"), "95\t95\\n");
    EXPECT_EQ(one_line("a\r\nb"), "a\\r\\nb");
}

TEST(CaseMapping, TouchesOnlyAsciiLetters) {
    EXPECT_EQ(to_lower_ascii("ON Test \xC3\x89"), "on test \xC3\x89");
    EXPECT_EQ(to_upper_ascii("y n"), "Y N");
}

TEST(Utf8Lossy, ReplacesEachMaximalInvalidSubpart) {
    EXPECT_EQ(utf8_lossy("plain"), "plain");
    EXPECT_EQ(utf8_lossy("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    // A truncated three-byte sequence is one replacement, not two.
    EXPECT_EQ(utf8_lossy("\xE2\x82" "x"), "\xEF\xBF\xBD" "x");
    // Surrogates and overlong forms are invalid byte by byte.
    EXPECT_EQ(utf8_lossy("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8_lossy("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(is_valid_utf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));
}

}  // namespace
}  // namespace korvane

#include <gtest/gtest.h>

#include "gpu/gpu_info.h"
#include "gpu/gpu_listing.h"
#include "gpu/gpu_report.h"

namespace korvane {
namespace {

using Lines = std::vector<std::string_view>;

TEST(CleanFrequencyListing, KeepsDigitRunsInFileOrder) {
    EXPECT_EQ(clean_frequency_listing("900000 585000 300000 \n"), "900000 585000 300000");
    EXPECT_EQ(clean_frequency_listing("  1 \n\n 2  3\n"), "1 2 3");
    EXPECT_EQ(clean_frequency_listing("5 5 1"), "5 5 1");
    EXPECT_EQ(clean_frequency_listing(""), "");
    EXPECT_EQ(clean_frequency_listing("no numbers here\n"), "");
}

TEST(CleanFrequencyListing, OtherCharactersVanishWithoutAGap) {
    EXPECT_EQ(clean_frequency_listing("100,200,300"), "100200300");
    EXPECT_EQ(clean_frequency_listing("1\t2\r\n3"), "12 3");
    EXPECT_EQ(clean_frequency_listing("[0] freq = 886000, volt = 80000\n"), "0 886000 80000");
    EXPECT_EQ(clean_frequency_listing("1.5 -2"), "15 2");
    EXPECT_EQ(clean_frequency_listing("\xC2\xB2 7"), "7");  // a superscript two is no ASCII digit
}

TEST(SampleLines, FirstThreeLinesUnchanged) {
    EXPECT_EQ(sample_lines("a b\nc\nd\ne\n"), (Lines{"a b", "c", "d"}));
    EXPECT_EQ(sample_lines("  900000\r\n585000"), (Lines{"  900000", "585000"}));
    EXPECT_EQ(sample_lines("one"), (Lines{"one"}));
    EXPECT_EQ(sample_lines("\n\nx\ny"), (Lines{"", "", "x"}));
    EXPECT_EQ(sample_lines("a\r\nb\r"), (Lines{"a", "b\r"}));  // no line feed follows
    EXPECT_EQ(sample_lines(""), Lines{});
}

TEST(MaliPlatformName, MatchesDotMaliInAnyCase) {
    EXPECT_TRUE(is_mali_platform_name("13000000.mali"));
    EXPECT_TRUE(is_mali_platform_name("13000000.MALI"));
    EXPECT_TRUE(is_mali_platform_name("soc.Mali-g77"));
    EXPECT_FALSE(is_mali_platform_name("mali"));
    EXPECT_FALSE(is_mali_platform_name("13000000_mali"));
    EXPECT_FALSE(is_mali_platform_name("13000000.mal"));
    EXPECT_FALSE(is_mali_platform_name("x.mali\xFF"));  // not UTF-8
    // Capital I with dot above lowers to "i" and a combining dot.
    EXPECT_TRUE(is_mali_platform_name("1.MAL\xC4\xB0"));
    EXPECT_FALSE(is_mali_platform_name("1.MAL\xC3\x8D"));  // I with acute stays non-ASCII
}

}  // namespace
}  // namespace korvane

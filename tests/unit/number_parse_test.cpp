#include "os/number_parse.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(ParsePercent, AcceptsUnsignedEightBitDecimals) {
    EXPECT_EQ(parse_percent("80"), 80);
    EXPECT_EQ(parse_percent("+80"), 80);
    EXPECT_EQ(parse_percent("0"), 0);
    EXPECT_EQ(parse_percent("007"), 7);
    EXPECT_EQ(parse_percent("150"), 150);
    EXPECT_EQ(parse_percent("255"), 255);
}

TEST(ParsePercent, RefusesEverythingElse) {
    for (const char* text : {"", "+", "256", "-5", "abc", " 80", "80 ", "8.0", "++8", "0x10", "99999999999999999999"}) {
        EXPECT_EQ(parse_percent(text), std::nullopt) << text;
    }
}

TEST(ParseI32, AcceptsSignedThirtyTwoBitDecimals) {
    EXPECT_EQ(parse_i32("60"), 60);
    EXPECT_EQ(parse_i32("+90"), 90);
    EXPECT_EQ(parse_i32("-5"), -5);
    EXPECT_EQ(parse_i32("2147483647"), 2147483647);
    EXPECT_EQ(parse_i32("-2147483648"), -2147483647 - 1);
}

TEST(ParseI32, RefusesEverythingElse) {
    for (const char* text : {"", "-", "2147483648", "-2147483649", "60fps", "6 0", "1e2"}) {
        EXPECT_EQ(parse_i32(text), std::nullopt) << text;
    }
}

// The full 64-bit range, and the first value past it refused rather than wrapped.
TEST(ParseU64, TakesTheWholeRangeAndNothingElse) {
    EXPECT_EQ(parse_u64("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(parse_u64("+1804800"), 1804800u);
    for (const char* text : {"", "+", "18446744073709551616", "99999999999999999999", "-1", "1 2", "0x10"}) {
        EXPECT_EQ(parse_u64(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace korvane

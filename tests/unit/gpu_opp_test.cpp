#include "gpu/opp_index.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korvane {
namespace {

TEST(OppLineCount, FollowsTheLineRule) {
    EXPECT_EQ(opp_line_count(""), 0u);
    EXPECT_EQ(opp_line_count("\n"), 1u);
    EXPECT_EQ(opp_line_count("a\nb\nc\n"), 3u);
    EXPECT_EQ(opp_line_count("a\r\nb\r\nc\r\n"), 3u);
    EXPECT_EQ(opp_line_count("a\nb\nc"), 3u);
    EXPECT_EQ(opp_line_count("a\nb\nc\n\n"), 4u);
    EXPECT_EQ(opp_line_count("a\n\n\nb\n"), 4u);
    // A lone carriage return is no line end.
    EXPECT_EQ(opp_line_count("a\rb\rc\n"), 1u);
}

struct IndexCase {
    uint64_t lines;
    uint8_t percent;
    uint64_t v2;
    uint64_t v1;
};

TEST(MtkOppIndex, BothFormulasRowByRow) {
    // clang-format off
    const IndexCase cases[] = {
        {16, 100,  0,  0},
        {16,   0, 15, 15},
        {16,  50,  8,  7},
        {16, 200,  0,  0},
        {16, 255,  0,  0},
        {16, 101,  0,  0},
        {10,  55,  5,  4},
        {10,  99,  1,  0},
        {10,   1,  9,  8},
        { 1,   0,  0,  0},
        { 1, 100,  0,  0},
        { 2,  50,  1,  0},
        { 3,  50,  1,  1},
    };
    // clang-format on
    for (const IndexCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lines << " lines at " << int{c.percent} << "%");
        EXPECT_EQ(mtk_v2_opp_index(c.lines, c.percent), c.v2);
        EXPECT_EQ(mtk_v1_opp_index(c.lines, c.percent), c.v1);
    }
}

TEST(MtkOppIndex, StaysInsideTheTableForEveryPercentage) {
    for (uint64_t lines : {1u, 7u, 33u}) {
        for (int p = 0; p <= 255; ++p) {
            auto percent = static_cast<uint8_t>(p);
            EXPECT_LT(mtk_v2_opp_index(lines, percent), lines);
            EXPECT_LT(mtk_v1_opp_index(lines, percent), lines);
            EXPECT_GE(mtk_v2_opp_index(lines, percent), mtk_v1_opp_index(lines, percent));
        }
    }
}

// gpufreq v1 pins a kHz value of its table: the digits after a line's first
// "freq = ", or nothing for a line without them.
TEST(MtkV1OppKhz, ReadsTheFrequencyOfTheChosenLine) {
    const std::string table =
        "[0] freq = 680000, volt = 80000\r\n"
        "[1] volt = 79000\n"
        "[2] freq = , volt = 78000\n"
        "[3] freq=590000\n"
        "[4] freq = 99999999999999999999999\n"
        "[5] gpu freq = 230000\n";
    const std::pair<uint64_t, std::optional<uint64_t>> lines[] = {
        {0, 680000}, {1, std::nullopt}, {2, std::nullopt}, {3, std::nullopt},
        {4, std::nullopt}, {5, 230000}, {6, std::nullopt},
    };
    for (const auto& [index, khz] : lines) EXPECT_EQ(mtk_v1_opp_khz(table, index), khz) << index;
}

}  // namespace
}  // namespace korvane

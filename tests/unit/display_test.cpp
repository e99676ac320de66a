#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display/decimal.h"
#include "display/downscale_factor.h"
#include "display/games.h"
#include "display/name_matcher.h"
#include "display/refresh_rate.h"
#include "display/release_level.h"
#include "display/sf_timing.h"

namespace korvane {
namespace {

using Names = std::vector<std::string>;

TEST(DetectGames, KeepsListingOrderAndDuplicatesOfNamesFoundAnywhereInTheDump) {
    const std::string dump = "Game: com.b.game mode=2\nuser com.a.gamextra\r\n";
    const std::string listing =
        "package:com.b.game\n"
        "package:com.a.game\r\n"   // only inside a longer name in the dump
        "  package: com.b.game  \n"
        "package:com.c.app\n"
        "package:\n"
        "package:   \n"
        "com.b.game\n"              // no prefix
        "Package:com.b.game\n"
        "package:com.B.GAME";
    EXPECT_EQ(detect_games(dump, listing), (Names{"com.b.game", "com.a.game", "com.b.game"}));
    EXPECT_EQ(detect_games("", listing), Names{});
    EXPECT_EQ(detect_games(dump, ""), Names{});
}

TEST(FindNamesIn, MatchesOverlappingAndNestedNames) {
    const std::vector<std::string_view> names{"he", "she", "his", "hers", "", "ushe", "x", "sh", "hersh"};
    const std::vector<bool> expected{true, true, false, true, true, true, false, true, false};
    EXPECT_EQ(find_names_in(names, "ushers"), expected);
    EXPECT_EQ(find_names_in({"\xff\x01", "\x80"}, std::string("a\xff\x01", 3)), (std::vector<bool>{true, false}));
}

TEST(FindNamesIn, AgreesWithPlainSearchOnGeneratedText) {
    std::string text;
    std::vector<std::string> owned;
    unsigned seed = 7;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
    for (int i = 0; i < 4000; ++i) text += static_cast<char>('a' + next() % 3);
    for (int i = 0; i < 300; ++i) {
        std::string name;
        for (unsigned n = 1 + next() % 12; n > 0; --n) name += static_cast<char>('a' + next() % 3);
        owned.push_back(name);
    }
    const std::vector<std::string_view> names(owned.begin(), owned.end());
    const std::vector<bool> found = find_names_in(names, text);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(found[i], text.find(names[i]) != std::string::npos) << names[i];
    }
}

TEST(ParseDecimal, AcceptsSignedDecimalsWithFractionAndExponent) {
    EXPECT_EQ(parse_decimal("0.7"), 0.7);
    EXPECT_EQ(parse_decimal("+1e0"), 1.0);
    EXPECT_EQ(parse_decimal("-2.5E-1"), -0.25);
    EXPECT_EQ(parse_decimal(".5"), 0.5);
    EXPECT_EQ(parse_decimal("5."), 5.0);
    EXPECT_EQ(parse_decimal("16666666"), 16666666.0);
    EXPECT_EQ(parse_decimal("1e400"), HUGE_VAL);
}

TEST(ParseDecimal, RefusesBlanksWordsAndOtherForms) {
    for (const char* text : {"", " 0.5", "0.5 ", "0.5\n", ".", "+", "e5", "1e", "1e+", "0x1p-1", "inf", "nan",
                             "infinity", "0.5f", "0,5", "1..0", "--1", "1e5.0", "abc"}) {
        EXPECT_EQ(parse_decimal(text), std::nullopt) << text;
    }
    EXPECT_EQ(parse_decimal(std::string_view("0.5\0" "9", 5)), std::nullopt);
}

TEST(ClassifyFactor, OneResetsRangeAppliesTheRestIsInvalid) {
    for (const char* text : {"1", "1.0", "1.00", "+1e0", "10e-1", "0.9999999999999999"}) {
        EXPECT_EQ(classify_factor(text), FactorUse::reset) << text;
    }
    for (const char* text : {"0.1", "0.5", ".7", "0.999999", "1e-1"}) {
        EXPECT_EQ(classify_factor(text), FactorUse::apply) << text;
    }
    for (const char* text : {"abc", "0.0", "0", "-0.5", "0.09", "1.01", "1.0000000000000002", "2", "inf", "nan",
                             "1e400", " 0.5", "0.5,fps=30", ""}) {
        EXPECT_EQ(classify_factor(text), FactorUse::invalid) << text;
    }
}

TEST(FpsRoute, OverlayFromReleaseThirtyOneSettingsOtherwise) {
    EXPECT_EQ(fps_route_for("31\n"), FpsRoute::game_overlay);
    EXPECT_EQ(fps_route_for(" 34 \r\n"), FpsRoute::game_overlay);
    for (const char* text : {"30\n", "28", "", "\n", "thirty-three", "33.0", "99999999999", "-40"}) {
        EXPECT_EQ(fps_route_for(text), FpsRoute::settings) << text;
    }
}

TEST(SampleRate, FirstLinePeriodRoundedAndKeptWithinRange) {
    EXPECT_EQ(sample_rate("16666666\n0 0 0\n"), 60.0);
    EXPECT_EQ(sample_rate(" 8333333 \r\n"), 120.0);
    EXPECT_EQ(sample_rate("4166667"), 240.0);
    EXPECT_EQ(sample_rate("33333333"), 30.0);
    EXPECT_EQ(sample_rate("16000000"), 63.0);  // 62.5 rounds up
    for (const char* text : {"", "\n16666666", "50000000", "3000000", "0", "-16666666", "abc", "inf"}) {
        EXPECT_EQ(sample_rate(text), std::nullopt) << text;
    }
}

TEST(MedianRate, MiddleOrMeanOfMiddlePairAndSixtyWhenEmpty) {
    EXPECT_EQ(median_rate({}), 60.0);
    EXPECT_EQ(median_rate({90}), 90.0);
    EXPECT_EQ(median_rate({120, 60, 90}), 90.0);
    EXPECT_EQ(median_rate({120, 60, 120, 60}), 90.0);
    EXPECT_EQ(median_rate({61, 60}), 60.5);
}

TEST(SfTiming, RoundingAndRateFormat) {
    EXPECT_EQ(nearest(2.5), 3);
    EXPECT_EQ(nearest(-2.5), -3);
    EXPECT_EQ(nearest(-2.4), -2);
    EXPECT_EQ(nearest(0.49999999999999994), 0);
    EXPECT_EQ(format_rate(60), "60");
    EXPECT_EQ(format_rate(60.5), "60");
    EXPECT_EQ(format_rate(61.5), "62");
    EXPECT_EQ(format_rate(89.5), "90");
}

TEST(SfTiming, CoefficientRowsByRate) {
    auto row_of = [](double rate) { return timing_coefficients(rate).app_duration; };
    EXPECT_EQ(row_of(240), 0.58);
    EXPECT_EQ(row_of(120), 0.58);
    EXPECT_EQ(row_of(119.5), 0.60);
    EXPECT_EQ(row_of(90), 0.60);
    EXPECT_EQ(row_of(75), 0.62);
    EXPECT_EQ(row_of(74.5), 0.65);
    EXPECT_EQ(row_of(30), 0.65);
    const TimingCoefficients& top = timing_coefficients(144);
    EXPECT_EQ(top.sf_duration, 0.32);
    EXPECT_EQ(top.early_app_phase_offset, 0.68);
    EXPECT_EQ(top.early_phase_offset, 0.85);
}

TEST(SfTiming, PropertiesForSixtyHertz) {
    const std::vector<SfProperty> properties = timing_properties(60);
    const std::vector<std::pair<std::string_view, long long>> expected{
        {"debug.sf.early.app.duration", 10833333},
        {"debug.sf.earlyGl.app.duration", 10833333},
        {"debug.sf.late.app.duration", 10833333},
        {"debug.sf.early.sf.duration", 4166667},
        {"debug.sf.earlyGl.sf.duration", 4166667},
        {"debug.sf.late.sf.duration", 4166667},
        {"debug.sf.early_app_phase_offset_ns", -10333333},
        {"debug.sf.early_phase_offset_ns", -12500000},
    };
    ASSERT_EQ(properties.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(properties[i].name, expected[i].first);
        EXPECT_EQ(properties[i].value, expected[i].second) << expected[i].first;
    }
}

}  // namespace
}  // namespace korvane

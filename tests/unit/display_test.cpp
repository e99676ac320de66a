#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "android/device_config_list.h"
#include "android/release_level.h"
#include "display/decimal.h"
#include "display/downscale_factor.h"
#include "display/fps_rules.h"
#include "display/game_overlay.h"
#include "display/game_override.h"
#include "display/games.h"
#include "display/name_matcher.h"
#include "display/refresh_rate.h"
#include "display/refresh_rate_line.h"
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

// A launcher activity's block as `cmd package query-activities` prints it;
// `app_lines` go into its ApplicationInfo part.
std::string activity_block(int number, const std::string& package, const std::string& app_lines) {
    return "  Activity #" + std::to_string(number) + ":\n    priority=0 preferredOrder=0 match=0x108000\n"
           "    ActivityInfo:\n      name=" + package + ".Main\n      packageName=" + package +
           "\n      ApplicationInfo:\n        name=" + package + ".App\n        packageName=" + package + "\n" +
           app_lines;
}

TEST(GamesFromActivities, CountsBlocksWithCategoryZeroOncePerPackage) {
    struct Case {
        const char* what;
        std::string activities;
        Names games;
    };
    const Case cases[] = {
        {"none found", "No activities found\n", {}},
        {"empty", "", {}},
        {"blocks in order",
         "3 activities found:\n" + activity_block(0, "com.b.game", "        category=0\n") +
             activity_block(1, "com.x.music", "        category=1\n") +
             activity_block(2, "com.a.game", "        flags=0x0\n        category=0\r\n"),
         {"com.b.game", "com.a.game"}},
        {"a package's second block",
         "3 activities found:\n" + activity_block(0, "com.a.game", "        category=0\n") +
             activity_block(1, "com.b.game", "        category=0\n") +
             activity_block(2, "com.a.game", "        category=0\n"),
         {"com.a.game", "com.b.game"}},
        {"no category line", "1 activities found:\n" + activity_block(0, "com.x.app", "        enabled=true\n"), {}},
        {"category=0 at another indent",
         "2 activities found:\n" + activity_block(0, "com.x.app", "      category=0\n         category=0\n") +
             activity_block(1, "com.y.app", "        category=10\n        xcategory=0\n"),
         {}},
        {"category before the package line",
         "1 activities found:\n  Activity #0:\n        category=0\n        packageName=com.c.game\n",
         {"com.c.game"}},
        {"a game block ends at the next block",
         "2 activities found:\n" + activity_block(0, "com.a.game", "        category=0\n") +
             "  Activity #1:\n        packageName=com.x.app\n",
         {"com.a.game"}},
    };
    for (const Case& c : cases) EXPECT_EQ(games_from_activities(c.activities), c.games) << c.what;
}

TEST(GamesFoundByCategory, OnlyAndroidTwelveAndTwelveL) {
    EXPECT_FALSE(games_found_by_category(std::nullopt));
    EXPECT_FALSE(games_found_by_category(30));
    EXPECT_TRUE(games_found_by_category(31));
    EXPECT_TRUE(games_found_by_category(32));
    EXPECT_FALSE(games_found_by_category(33));
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

TEST(DownscaleGrid, AndroidTwelveAndThirteenTakeTheGridTextOfAnEqualValue) {
    for (int32_t level : {31, 32, 33}) EXPECT_TRUE(factor_grid_applies(level)) << level;
    for (std::optional<int32_t> level : {std::optional<int32_t>{}, std::optional<int32_t>{30}, {34}, {35}}) {
        EXPECT_FALSE(factor_grid_applies(level));
    }
    const std::pair<const char*, const char*> on_grid[] = {
        {"0.3", "0.3"}, {"0.50", "0.5"}, {".7", "0.7"}, {"3.5e-1", "0.35"}, {"0.900", "0.9"}, {"+0.85", "0.85"}};
    for (const auto& [factor, text] : on_grid) EXPECT_EQ(grid_factor(factor), text) << factor;
    for (const char* factor : {"0.25", "0.72", "0.95", "0.351", "1.0", "0.1", "abc", "0.5 ", ""}) {
        EXPECT_EQ(grid_factor(factor), std::nullopt) << factor;
    }
}

TEST(FpsRules, OverlayFromReleaseThirtyThreeWhichCapsOnlyAtItsOwnRates) {
    EXPECT_EQ(parse_release_level(" 34 \r\n"), 34);
    for (const char* text : {"", "\n", "thirty-three", "33.0", "99999999999"}) {
        EXPECT_EQ(parse_release_level(text), std::nullopt) << text;
    }
    for (std::optional<int32_t> level : {std::optional<int32_t>{}, std::optional<int32_t>{24}, {31}, {32}, {-40}}) {
        EXPECT_EQ(fps_route_for(level), FpsRoute::settings);
    }
    for (int32_t level : {33, 34, 35}) EXPECT_EQ(fps_route_for(level), FpsRoute::game_overlay) << level;
    for (int32_t fps : {30, 40, 45, 60, 90, 120}) EXPECT_TRUE(fps_cap_supported(33, fps)) << fps;
    for (int32_t fps : {0, -60, 50, 72, 144}) {
        EXPECT_FALSE(fps_cap_supported(33, fps)) << fps;
        EXPECT_TRUE(fps_cap_supported(34, fps)) << fps;
        EXPECT_TRUE(fps_cap_supported(32, fps)) << fps;
        EXPECT_TRUE(fps_cap_supported(std::nullopt, fps)) << fps;
    }
}

// Android 7-9 read neither refresh-rate key; a level that cannot be read is
// not known to be one of them.
TEST(FpsRules, RefreshKeysAreReadFromAndroidTen) {
    const std::pair<std::optional<int32_t>, bool> levels[] = {
        {std::nullopt, true}, {24, false}, {28, false}, {29, true}, {32, true}, {-40, false},
    };
    for (const auto& [level, read] : levels) EXPECT_EQ(refresh_rate_keys_read(level), read) << level.value_or(0);
}

TEST(ConfigList, KeyValueLinesSplitAtTheFirstEquals) {
    const ConfigValues values = parse_config_list(
        "com.a=mode=2,fps=60\n"
        "com.b=\r\n"
        "  com.c = x \n"
        "no separator\n"
        "=orphan\n"
        "com.a=mode=2,fps=30");
    EXPECT_EQ(values, (ConfigValues{{"com.a", "mode=2,fps=30"}, {"com.b", ""}, {"com.c", " x "}}));
    EXPECT_TRUE(parse_config_list("").empty());
}

// Every edit keeps the bytes it is not about; parse and format round-trip.
TEST(GameOverlay, SettingAKeyInTheModeTwoEntry) {
    struct Case {
        const char* before;
        std::string_view key;
        const char* setting;
        const char* after;
    };
    // clang-format off
    const Case cases[] = {
        {"",                                    kFpsKey,       "60",  "mode=2,fps=60"},
        {"  ",                                  kFpsKey,       "60",  "mode=2,fps=60"},
        {"mode=2,downscaleFactor=0.7",          kFpsKey,       "60",  "mode=2,downscaleFactor=0.7,fps=60"},
        {"mode=2,fps=30,downscaleFactor=0.7",   kFpsKey,       "-5",  "mode=2,fps=-5,downscaleFactor=0.7"},
        {"mode=2,fps=60",                       kDownscaleKey, "0.5", "mode=2,fps=60,downscaleFactor=0.5"},
        {"mode=2,downscaleFactor=0.3",          kDownscaleKey, "0.5", "mode=2,downscaleFactor=0.5"},
        {" mode = 02 , fps = 30 ,useAngle=true", kFpsKey,      "60",  " mode = 02 ,fps=60,useAngle=true"},
        {"mode=2,fps=30,fps=45",                kFpsKey,       "60",  "mode=2,fps=60,fps=60"},
        {"mode=2,",                             kFpsKey,       "60",  "mode=2,fps=60"},
        {"mode=3,fps=30:mode=2,loadingBoost=0", kFpsKey,       "60",  "mode=3,fps=30:mode=2,loadingBoost=0,fps=60"},
        // No entry the game manager reads as mode 2: a new one after the others.
        {"mode=1,fps=30",                       kFpsKey,       "60",  "mode=1,fps=30:mode=2,fps=60"},
        {"fps=30",                              kFpsKey,       "60",  "fps=30:mode=2,fps=60"},
        {"mode=2,broken,fps=30",                kFpsKey,       "60",  "mode=2,broken,fps=30:mode=2,fps=60"},
        {"mode=2x,fps=30",                      kFpsKey,       "60",  "mode=2x,fps=30:mode=2,fps=60"},
        {"mode=1:",                             kFpsKey,       "60",  "mode=1:mode=2,fps=60"},
    };
    // clang-format on
    for (const Case& c : cases) {
        OverlayValue overlay = parse_overlay(c.before);
        EXPECT_EQ(format_overlay(overlay), c.before);
        set_mode2_setting(overlay, c.key, c.setting);
        EXPECT_EQ(format_overlay(overlay), c.after) << c.before;
    }
}

TEST(GameOverlay, RemovingAKeyFromTheModeTwoEntry) {
    struct Case {
        const char* before;
        std::string_view key;
        bool removed;
        const char* after;  // nullptr: nothing left, the key goes
    };
    // clang-format off
    const Case cases[] = {
        {"mode=2,downscaleFactor=0.7,fps=60",   kFpsKey,       true,  "mode=2,downscaleFactor=0.7"},
        {"mode=2,fps=60,downscaleFactor=0.7",   kDownscaleKey, true,  "mode=2,fps=60"},
        {"mode=2,fps=60",                       kFpsKey,       true,  nullptr},
        {"mode=2, fps =60,fps=30,",             kFpsKey,       true,  nullptr},
        {"mode=2,fps=60:",                      kFpsKey,       true,  nullptr},
        {"mode=1,fps=30:mode=2,fps=60",         kFpsKey,       true,  "mode=1,fps=30"},
        {"mode=2,fps=60:mode=3,fps=30",         kFpsKey,       true,  "mode=3,fps=30"},
        {"mode=2,useAngle=true,fps=60",         kFpsKey,       true,  "mode=2,useAngle=true"},
        {"mode=1,fps=30",                       kFpsKey,       false, "mode=1,fps=30"},
        {"mode=2,downscaleFactor=0.7",          kFpsKey,       false, "mode=2,downscaleFactor=0.7"},
        {"mode=2,broken,fps=60",                kFpsKey,       false, "mode=2,broken,fps=60"},
        {"mode=2",                              kFpsKey,       false, "mode=2"},
        {"",                                    kFpsKey,       false, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        OverlayValue overlay = parse_overlay(c.before);
        EXPECT_EQ(remove_mode2_setting(overlay, c.key), c.removed) << c.before;
        if (c.after) {
            EXPECT_FALSE(overlay_empty(overlay)) << c.before;
            EXPECT_EQ(format_overlay(overlay), c.after) << c.before;
        } else {
            EXPECT_TRUE(overlay_empty(overlay)) << c.before;
        }
    }
}

// What the game manager lists beyond a game's overlay is the user's own.
TEST(GameOverride, ListedModesThatTheOverlayDoesNotGiveAreOverrides) {
    struct Case {
        std::string listing;
        const char* overlay;
        std::vector<std::string> found;  // "mode:pieces"
    };
    auto mode2 = [](const char* scaling, const char* fps) {
        return std::string("com.x interventions: \n[Name:com.x Modes: {2=[Game Mode:2,Scaling:") + scaling +
               ",Use Angle:false,Fps:" + fps + ",Loading Boost Duration:-1]}]\n";
    };
    // clang-format off
    const Case cases[] = {
        {mode2("0.7", "0"),   "mode=2,downscaleFactor=0.70",  {}},
        {mode2("-1.0", "0"),  "mode=2",                       {}},
        {mode2("1.0", ""),    "mode=2,useAngle=false",        {}},   // 13's texts for none
        {mode2("0.5", "60"),  "mode=2,downscaleFactor=0.7",   {"2:downscaleFactor=0.5,fps=60"}},
        {mode2("1.0", "60"),  "mode=2,downscaleFactor=0.7",   {"2:fps=60"}},
        {mode2("0.7", "0"),   "mode=3,downscaleFactor=0.7",   {"2:downscaleFactor=0.7"}},
        {" No intervention found for package com.x\n", "mode=2,fps=60", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::vector<std::string> found;
        for (const GameOverride& o : find_overrides(parse_game_configs(c.listing), c.overlay)) {
            found.push_back(o.mode + ":" + o.pieces);
        }
        EXPECT_EQ(found, c.found) << c.listing << c.overlay;
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

TEST(SfTiming, PhaseOffsetsAbortWhereDurationsAreUsedOrTheModelIsUnknown) {
    for (const char* answer : {"1\n", " true \n", "y", "yes", "on"}) EXPECT_TRUE(phase_offsets_abort(answer)) << answer;
    EXPECT_TRUE(phase_offsets_abort(std::nullopt));
    for (const char* answer : {"0\n", "\n", "", "false", "TRUE", "2"}) {
        EXPECT_FALSE(phase_offsets_abort(answer)) << answer;
    }
    for (const SfProperty& property : timing_properties(60)) {
        EXPECT_EQ(property.phase_offset, std::string_view(property.name).ends_with("_phase_offset_ns"))
            << property.name;
    }
}

TEST(RefreshRateInDump, PrefersTheOwnLineAndCutsAGluedUnit) {
    // clang-format off
    const std::pair<const char*, std::optional<std::string_view>> cases[] = {
        {"  refresh-rate              : 60.000000 fps\n",                    "60.000000"},
        {"  refresh-rate              : 60.00fps\n",                         "60.00"},
        {"  refresh-rate              : 90.00 Hz\r\n",                       "90.00"},
        {"  peak-refresh-rate         : 120.00 Hz\n",                        "120.00"},
        {"peak-refresh-rate : 120.00 Hz\nrefresh-rate : 90.00 Hz\n",         "90.00"},
        {"refresh-rate 60\nmax refresh-rate: 90fps\n",                       "90"},
        {"refresh-rate : unknown\n",                                        "unknown"},
        {"refresh-rate : 60.5x1\n",                                         "60.5x1"},
        {"refresh-rate : fps60\n",                                          "fps60"},
        {"refresh-rate :\nRefresh-Rate : 60\n",                             std::nullopt},
        {"",                                                                std::nullopt},
    };
    // clang-format on
    for (const auto& [dump, rate] : cases) EXPECT_EQ(refresh_rate_in_dump(dump), rate) << dump;
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

#include "config/config_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

std::string error_of(const std::string& text) {
    auto r = parse_config(text);
    return r ? "(parsed)" : r.error();
}

KorvaneConfig parsed(const std::string& text) {
    auto r = parse_config(text);
    EXPECT_TRUE(r) << r.error();
    return r ? *r : KorvaneConfig{};
}

void expect_defaults(const KorvaneConfig& c) {
    EXPECT_FALSE(c.utility_tool.gms_auto || c.utility_tool.clear_ram || c.utility_tool.surface_flinger);
    EXPECT_FALSE(c.battery_saving.bypass_charging || c.battery_saving.fast_charge);
    EXPECT_EQ(c.downscaling.scale, 0.0);
}

TEST(ConfigReader, ReadsEveryFieldOfAFullFile) {
    auto c = parsed(R"({
      "utility_tool": {"gms_auto": true, "clear_ram": true, "surface_flinger": false},
      "battery_saving": {"bypass_charging": false, "fast_charge": true},
      "downscaling": {"scale": 0.7}
    })");
    EXPECT_TRUE(c.utility_tool.gms_auto);
    EXPECT_TRUE(c.utility_tool.clear_ram);
    EXPECT_FALSE(c.utility_tool.surface_flinger);
    EXPECT_FALSE(c.battery_saving.bypass_charging);
    EXPECT_TRUE(c.battery_saving.fast_charge);
    EXPECT_EQ(c.downscaling.scale, 0.7);
}

TEST(ConfigReader, AbsentFieldsAndRecordsKeepTheirDefaults) {
    expect_defaults(parsed("{}"));
    expect_defaults(parsed(" \n{ \"utility_tool\": {}, \"battery_saving\": [] }\n\n"));
    auto c = parsed(R"({"battery_saving": {"fast_charge": true}})");
    EXPECT_TRUE(c.battery_saving.fast_charge);
    EXPECT_FALSE(c.battery_saving.bypass_charging);
}

TEST(ConfigReader, IntegersAreReadAsScale) {
    EXPECT_EQ(parsed(R"({"downscaling": {"scale": 1}})").downscaling.scale, 1.0);
    EXPECT_EQ(parsed(R"({"downscaling": {"scale": -3}})").downscaling.scale, -3.0);
    EXPECT_EQ(parsed(R"({"downscaling": {"scale": 18446744073709551615}})").downscaling.scale,
              18446744073709551615.0);
    EXPECT_EQ(parsed(R"({"downscaling": {"scale": 25e-2}})").downscaling.scale, 0.25);
}

TEST(ConfigReader, UnknownKeysAreSkippedAtEveryLevel) {
    auto c = parsed(R"({"version": 3, "extra": {"a": [1, {"b": null, "b": "x"}], "a": 2.5},
        "utility_tool": {"colour": "red", "clear_ram": true, "nested": {"gms_auto": "no"}}})");
    EXPECT_TRUE(c.utility_tool.clear_ram);
    EXPECT_FALSE(c.utility_tool.gms_auto);
}

TEST(ConfigReader, RecordsMayBeArraysOfTheirFieldsInOrder) {
    auto c = parsed(R"([[true, false, true], {"fast_charge": true}, [0.5]])");
    EXPECT_TRUE(c.utility_tool.gms_auto);
    EXPECT_FALSE(c.utility_tool.clear_ram);
    EXPECT_TRUE(c.utility_tool.surface_flinger);
    EXPECT_TRUE(c.battery_saving.fast_charge);
    EXPECT_EQ(c.downscaling.scale, 0.5);
    EXPECT_TRUE(parsed(R"({"battery_saving": [true]})").battery_saving.bypass_charging);
    EXPECT_EQ(error_of(R"({"downscaling": [0.5, 2]})"), "trailing characters at line 1 column 23");
    EXPECT_EQ(error_of(R"({"downscaling": [0.5,])"), "trailing comma at line 1 column 22");
    EXPECT_EQ(error_of("[{}, {}, {}, {}]"), "trailing characters at line 1 column 14");
    // The surplus element need not even be valid JSON.
    EXPECT_EQ(error_of("[{}, {}, {},\n @"), "trailing characters at line 2 column 2");
    EXPECT_EQ(error_of("[{}, {}, {} 5]"), "trailing characters at line 1 column 13");
    EXPECT_EQ(error_of("[{}, {} 5]"), "expected `,` or `]` at line 1 column 9");
}

TEST(ConfigReader, TypeErrorsNameWhatWasFoundAndWanted) {
    EXPECT_EQ(error_of(R"({"battery_saving": {"fast_charge": "true"}})"),
              "invalid type: string \"true\", expected a boolean at line 1 column 41");
    EXPECT_EQ(error_of(R"({"utility_tool": {"gms_auto": 12}})"),
              "invalid type: integer `12`, expected a boolean at line 1 column 32");
    EXPECT_EQ(error_of(R"({"utility_tool": {"gms_auto": -1.5}})"),
              "invalid type: floating point `-1.5`, expected a boolean at line 1 column 34");
    EXPECT_EQ(error_of(R"({"utility_tool": {"gms_auto": 1e20}})"),
              "invalid type: floating point `100000000000000000000.0`, expected a boolean at line 1 column 34");
    EXPECT_EQ(error_of(R"({"utility_tool": {"gms_auto": {}}})"),
              "invalid type: map, expected a boolean at line 1 column 30");
    EXPECT_EQ(error_of(R"({"downscaling": {"scale": "0.7"}})"),
              "invalid type: string \"0.7\", expected f64 at line 1 column 31");
    EXPECT_EQ(error_of(R"({"downscaling": {"scale": null}})"),
              "invalid type: null, expected f64 at line 1 column 30");
    EXPECT_EQ(error_of(R"({"utility_tool": 5})"),
              "invalid type: integer `5`, expected struct UtilityConfig at line 1 column 18");
    EXPECT_EQ(error_of(R"({"downscaling": true})"),
              "invalid type: boolean `true`, expected struct DownscalingConfig at line 1 column 20");
    EXPECT_EQ(error_of(R"({"battery_saving": "a\"b\\c\n"})"),
              "invalid type: string \"a\\\"b\\\\c\\n\", expected struct BatteryConfig at line 1 column 30");
    EXPECT_EQ(error_of("\n  [true]"), "invalid type: boolean `true`, expected struct UtilityConfig at line 2 column 7");
    EXPECT_EQ(error_of("\"x\""), "invalid type: string \"x\", expected struct KorvaneConfig at line 1 column 3");
}

TEST(ConfigReader, ARepeatedKeyIsAnError) {
    EXPECT_EQ(error_of(R"({"utility_tool": {"clear_ram": true, "clear_ram": false}})"),
              "duplicate field `clear_ram` at line 1 column 48");
    EXPECT_EQ(error_of("{\"downscaling\": {},\n \"downscaling\"  : {}}"),
              "duplicate field `downscaling` at line 2 column 16");
}

TEST(ConfigReader, NestingStopsAt128Levels) {
    std::string ok = "{\"x\":" + std::string(126, '[') + std::string(126, ']') + "}";
    expect_defaults(parsed(ok));
    std::string deep = "{\"x\":" + std::string(127, '[') + std::string(127, ']') + "}";
    EXPECT_EQ(error_of(deep), "recursion limit exceeded at line 1 column 132");
}

TEST(ConfigReader, SyntaxErrorsCarryTheirPosition) {
    EXPECT_EQ(error_of(""), "EOF while parsing a value at line 1 column 0");
    EXPECT_EQ(error_of(" \n  "), "EOF while parsing a value at line 2 column 2");
    EXPECT_EQ(error_of("{"), "EOF while parsing an object at line 1 column 1");
    EXPECT_EQ(error_of(R"({"a")"), "EOF while parsing an object at line 1 column 4");
    EXPECT_EQ(error_of(R"({"a":)"), "EOF while parsing a value at line 1 column 5");
    EXPECT_EQ(error_of(R"({"a": 1,)"), "EOF while parsing a value at line 1 column 8");
    EXPECT_EQ(error_of(R"({"a": [1)"), "EOF while parsing a list at line 1 column 8");
    EXPECT_EQ(error_of(R"({"a": tru)"), "EOF while parsing a value at line 1 column 9");
    EXPECT_EQ(error_of(R"({"a": "x)"), "EOF while parsing a string at line 1 column 8");
    EXPECT_EQ(error_of("{} {}"), "trailing characters at line 1 column 4");
    EXPECT_EQ(error_of(std::string("{}\0", 3)), "trailing characters at line 1 column 3");
    EXPECT_EQ(error_of(R"({"a": 1,})"), "trailing comma at line 1 column 9");
    EXPECT_EQ(error_of(R"({"a": [1, 2,]})"), "trailing comma at line 1 column 13");
    EXPECT_EQ(error_of(R"({"a" 1})"), "expected `:` at line 1 column 6");
    EXPECT_EQ(error_of("{\n  \"a\": x\n}"), "expected value at line 2 column 8");
    EXPECT_EQ(error_of(R"({"a": [,]})"), "expected value at line 1 column 8");
    EXPECT_EQ(error_of(R"({1: 2})"), "key must be a string at line 1 column 2");
    EXPECT_EQ(error_of(R"({"a": 1, 2})"), "key must be a string at line 1 column 10");
    EXPECT_EQ(error_of(R"({"a": 1 "b": 2})"), "expected `,` or `}` at line 1 column 9");
    EXPECT_EQ(error_of(R"({"a": [1 2]})"), "expected `,` or `]` at line 1 column 10");
    EXPECT_EQ(error_of(R"({"a": -})"), "invalid number at line 1 column 8");
    EXPECT_EQ(error_of(R"({"a": 1.})"), "invalid number at line 1 column 9");
    // A leading zero ends no number: the digit after it is the fault, whatever was wanted.
    EXPECT_EQ(error_of("01"), "invalid number at line 1 column 2");
    EXPECT_EQ(error_of(R"({"downscaling": {"scale": 01}})"), "invalid number at line 1 column 28");
    EXPECT_EQ(error_of(R"({"a": [-00]})"), "invalid number at line 1 column 10");
    EXPECT_EQ(error_of("["), "EOF while parsing a list at line 1 column 1");
    EXPECT_EQ(error_of(R"({"a": trux})"), "expected ident at line 1 column 10");
    EXPECT_EQ(error_of(R"({"a": 1e999})"), "number out of range at line 1 column 11");
    EXPECT_EQ(error_of(R"({"a": "\q"})"), "invalid escape at line 1 column 9");
    EXPECT_EQ(error_of("{\"a\": \"x\ty\"}"), "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 9");
}

}  // namespace
}  // namespace korvane

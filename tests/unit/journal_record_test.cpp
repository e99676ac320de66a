#include "journal/journal_record.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

JournalRecord node_record(std::string path, std::string content, mode_t mode = 0644, std::string boot = "b-1") {
    JournalRecord record;
    record.node = NodeOriginal{std::move(path), std::move(boot), mode, std::move(content), {}};
    return record;
}

JournalRecord state_record(StateKind kind, std::vector<std::string> key, std::optional<std::string> value) {
    JournalRecord record;
    record.state = StateOriginal{{kind, std::move(key)}, std::move(value)};
    return record;
}

TEST(JournalRecord, NastyValuesSurviveTheRoundTripOnOneLine) {
    const std::string nasty[] = {
        "",  "1804800\n", "a b\tc\r\n", "back\\slash\\s", "=", "-", "\\e", "\x01\x7f\x1b[0m", "ümlaut ✓",
        "mode=2,fps=60:mode=3,downscaleFactor=0.5", "  leading and trailing  ",
    };
    for (const std::string& value : nasty) {
        SCOPED_TRACE(value);
        const JournalRecord records[] = {
            node_record("/sys/odd path/with\nnewline", value, 0444, value.empty() ? "x" : value),
            state_record(StateKind::setting, {"global", value}, value),
            state_record(StateKind::device_config, {"game_overlay", "com.x"}, value),
        };
        for (const JournalRecord& record : records) {
            std::string line = format_record(record);
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
            auto parsed = parse_record(line);
            ASSERT_TRUE(parsed) << line << ": " << parsed.error();
            EXPECT_EQ(*parsed, record) << line;
        }
    }
}

TEST(JournalRecord, ReadsAsPlainText) {
    EXPECT_EQ(format_record(state_record(StateKind::setting, {"global", "low_power"}, "0")).substr(9),
              "setting global low_power =0");
    EXPECT_EQ(format_record(state_record(StateKind::property, {"debug.sf.late.sf.duration"}, std::nullopt)).substr(9),
              "property debug.sf.late.sf.duration -");
    EXPECT_EQ(format_record(node_record("/proc/sys/vm/swappiness", "60\n", 0644, "3f-2a")).substr(9),
              "node 3f-2a 0644 /proc/sys/vm/swappiness =60\\n");
    JournalRecord known = node_record("/proc/sys/vm/swappiness", "60\n", 0644, "3f-2a");
    known.node->id = {8, 1234};
    EXPECT_EQ(format_record(known).substr(9), "node 3f-2a 8:1234 0644 /proc/sys/vm/swappiness =60\\n");
    EXPECT_EQ(parse_record(format_record(known)).value(), known);
    // korvane's own value, and the sync mode, whose target has no key word
    JournalRecord set = state_record(StateKind::sync_mode, {}, "persistent");
    set.korvane_value = true;
    EXPECT_EQ(format_record(set).substr(9), "set device_config_sync =persistent");
    EXPECT_EQ(parse_record(format_record(set)).value(), set);
    known.korvane_value = true;
    EXPECT_EQ(format_record(known).substr(9), "set node 3f-2a 8:1234 0644 /proc/sys/vm/swappiness =60\\n");
    EXPECT_EQ(parse_record(format_record(known)).value(), known);
    // a node of an open per-app session: the app, the value it gave, whether it added the original
    known.korvane_value = false;
    known.session = SessionMark{"com.mobile.legends", "10", true};
    EXPECT_EQ(format_record(known).substr(9), "watch com.mobile.legends =10 1 node 3f-2a 8:1234 0644 /proc/sys/vm/swappiness =60\\n");
    EXPECT_EQ(parse_record(format_record(known)).value(), known);
    EXPECT_FALSE(parse_record(sign_body("watch com.x =1 2 node 3f-2a 0644 /p =1")));
}

TEST(JournalRecord, DamagedLinesAreRefused) {
    const std::string good = format_record(state_record(StateKind::app_op, {"com.google.android.gms", "X"}, "allow"));
    std::string flipped = good;
    flipped[flipped.size() - 2] ^= 1;
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, good.size() - 3), "checksum mismatch"},  // torn
        {flipped, "checksum mismatch"},
        {"", "no checksum"},
        {"zzzz", "no checksum"},
        {"garbage line without a checksum", "no checksum"},
        {"00000000 setting global k =1", "checksum mismatch"},
    };
    for (const auto& [line, why] : cases) {
        auto parsed = parse_record(line);
        ASSERT_FALSE(parsed) << line;
        EXPECT_EQ(parsed.error(), why) << line;
    }
}

TEST(JournalRecord, WellSummedLinesWithBadFieldsAreRefused) {
    // Lines a person could edit by hand: the checksum agrees, the fields do not.
    const char* bodies[] = {
        "node b 0999 /p =1",   "node b 0644 /p -",        "node b 0644 =1",          "setting global =1",
        "unknown a =1",        "property p v",            "setting global k =a\\q",  "app_op pkg op extra =x",
        "allow_list a b =listed", "node b 8:x 0644 /p =1", "node b 8 0644 /p =1",  "node b :1 0644 /p =1",
        "node b 1:2 3:4 0644 /p =1",
    };
    for (const char* body : bodies) EXPECT_FALSE(parse_record(sign_body(body))) << body;
    EXPECT_TRUE(parse_record(sign_body("allow_list com.google.android.gms =listed")));
}

TEST(JournalRecord, EscapingRefusesWhatItNeverWrites) {
    for (const char* field : {"", "a b", "a\\", "\\q", "\\x4", "\\xzz"}) {
        EXPECT_FALSE(unescape_field(field)) << field;
    }
    EXPECT_EQ(*unescape_field("\\e"), "");
    EXPECT_EQ(*unescape_field("a\\sb\\x41"), "a bA");
}

}  // namespace
}  // namespace korvane

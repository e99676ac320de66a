// Originals recorded in one go: only the ones the journal lacks, none in a
// dry run or the undo, and the first original of a target wins.
#include "journal/state_originals.h"

#include <gtest/gtest.h>

#include "journal_fixture.h"

namespace korvane {
namespace {

StateOriginal config(const std::string& ns, const std::string& key, std::optional<std::string> value) {
    return {{StateKind::device_config, {ns, key}}, std::move(value)};
}

class StateOriginals : public testing::JournalFixture {};

TEST_F(StateOriginals, AppendsOnlyWhatTheJournalLacks) {
    ASSERT_TRUE(record_state_originals({config("jobscheduler", "heavy_use_factor", "0.75"),
                                        config("jobscheduler", "moderate_use_factor", std::nullopt)}));
    // A later run finds the first originals and keeps them.
    ASSERT_TRUE(record_state_originals({config("jobscheduler", "heavy_use_factor", "1.0"),
                                        config("app_standby", "prediction_timeout", "3600000")}));
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(*records[0].state, config("jobscheduler", "heavy_use_factor", "0.75"));
    EXPECT_EQ(*records[1].state, config("jobscheduler", "moderate_use_factor", std::nullopt));
    EXPECT_EQ(*records[2].state, config("app_standby", "prediction_timeout", "3600000"));
    EXPECT_EQ(testing::slurp(journal_path()).back(), '\n');
}

TEST_F(StateOriginals, NothingInADryRunOrTheUndo) {
    for (ChangePolicy policy : {ChangePolicy::dry_run, ChangePolicy::unrecorded}) {
        set_change_policy(policy);
        EXPECT_TRUE(record_state_originals({config("battery_saver", "location_mode", "1")}));
    }
    EXPECT_TRUE(journal_records().empty());
}

TEST_F(StateOriginals, AJournalThatCannotBeOpenedFailsTheBatch) {
    ::mkdir(folder().c_str(), 0700);
    ASSERT_EQ(::mkdir(journal_path().c_str(), 0700), 0);  // no file can be opened there, not even by root
    auto recorded = record_state_originals({config("device_idle", "idle_to", std::nullopt)});
    ASSERT_FALSE(recorded);
    EXPECT_EQ(recorded.error(), "Could not record the originals: " + journal_path() + ": Is a directory (os error 21)");
}

}  // namespace
}  // namespace korvane

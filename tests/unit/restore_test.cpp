// The undo on temporary nodes: what it puts back, what it prints and what
// stays in the journal.
#include "undo/restore.h"

#include <gtest/gtest.h>

#include "journal/node_change.h"
#include "journal_fixture.h"

namespace korvane {
namespace {

using testing::mode_of;
using testing::slurp;

class Restore : public testing::JournalFixture {
protected:
    std::string restore() {
        ::testing::internal::CaptureStdout();
        EXPECT_TRUE(restore_changes());
        return ::testing::internal::GetCapturedStdout();
    }
};

JournalRecord node_record(const std::string& path, const std::string& boot, const std::string& content) {
    JournalRecord record;
    record.node = NodeOriginal{path, boot, 0644, content, {}};
    return record;
}

TEST_F(Restore, PutsContentThenModeBackAndEmptiesTheJournal) {
    std::string freq = dir.write("scaling_max_freq", "1800000\n", 0644);
    std::string limit = dir.write("cpufreq_max_limit", "-1\n", 0664);
    ASSERT_TRUE(write_node(freq, "900000"));
    ASSERT_TRUE(change_mode(limit, 0));
    ASSERT_TRUE(write_node(freq, "300000"));
    EXPECT_EQ(restore(), "[INFO] Restoring 2 changes...\n[OK] Restored 2 of 2 changes\n");
    EXPECT_EQ(slurp(freq), "1800000\n");
    EXPECT_EQ(mode_of(freq), 0644u);
    EXPECT_EQ(slurp(limit), "-1\n");
    EXPECT_EQ(mode_of(limit), 0664u);
    EXPECT_EQ(slurp(journal_path()), "");
    EXPECT_EQ(restore(), "[INFO] Nothing to restore\n");
}

TEST_F(Restore, FailedRecordsAndUnreadableLinesStayUntilAnUndoSucceeds) {
    std::string present = dir.write("present", "9\n");
    std::string missing = dir.file("missing");
    const std::string failing = format_record(node_record(missing, current_boot_id(), "1\n"));
    write_journal("garbage\n" + failing + "\n" + format_record(node_record(present, "an-earlier-boot", "7\n")) + "\n" +
                  format_record(node_record(present, current_boot_id(), "5\n")) + "\n" + "0123 torn");
    EXPECT_EQ(restore(), "[WARN] Skipping unreadable journal line 1: no checksum\n"
                         "[WARN] Skipping unreadable journal line 5: torn line\n"
                         "[INFO] Restoring 2 changes...\n"
                         "[WARN] Failed to restore " + missing + ": No such file or directory (os error 2)\n"
                         "[OK] Restored 1 of 2 changes\n");
    EXPECT_EQ(slurp(present), "5\n");  // the earlier boot's record is dropped, not restored
    EXPECT_EQ(slurp(journal_path()), "garbage\n" + failing + "\n0123 torn\n");

    dir.write("missing", "3\n");
    EXPECT_EQ(restore(), "[WARN] Skipping unreadable journal line 1: no checksum\n"
                         "[WARN] Skipping unreadable journal line 3: no checksum\n"
                         "[INFO] Restoring 1 changes...\n[OK] Restored 1 of 1 changes\n");
    EXPECT_EQ(slurp(missing), "1\n");
    EXPECT_EQ(slurp(journal_path()), "");
}

TEST_F(Restore, AMissingJournalIsNothingToRestore) {
    EXPECT_EQ(restore(), "[INFO] Nothing to restore\n");
    EXPECT_FALSE(path_exists(journal_path()));
}

}  // namespace
}  // namespace korvane

// The journal as the primitives keep it: recorded before each first change,
// never for a change that is only shown, and locked for the whole run.
#include "sys/journal.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "journal_fixture.h"
#include "sys/change_policy.h"
#include "sys/node.h"
#include "sys/runner.h"
#include "sys/text.h"

namespace korvane {
namespace {

using testing::mode_of;
using testing::slurp;

class Journal : public testing::JournalFixture {};

TEST_F(Journal, OnlyTheFirstChangeOfANodeIsRecorded) {
    std::string node = dir.write("scaling_max_freq", "1800000\n", 0644);
    ASSERT_TRUE(write_node(node, "900000"));
    ASSERT_TRUE(change_mode(node, 0));
    ASSERT_TRUE(write_node(node, "300000"));
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(*records[0].node, (NodeOriginal{node, current_boot_id(), 0644, "1800000\n"}));
    EXPECT_EQ(mode_of(folder()), 0700u);
    EXPECT_EQ(mode_of(journal_path()), 0600u);
}

TEST_F(Journal, CoresSharingAPolicyAreOneTarget) {
    ::mkdir(dir.file("policy0").c_str(), 0755);
    std::string shared = dir.write("policy0/scaling_max_freq", "1800000\n");
    for (const char* core : {"cpu0", "cpu1"}) ::symlink("policy0", dir.file(core).c_str());
    ASSERT_TRUE(write_node(dir.file("cpu1/scaling_max_freq"), "900000"));
    ASSERT_TRUE(write_node(dir.file("cpu0/scaling_max_freq"), "900000"));
    std::vector<JournalRecord> records = journal_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].node->path, shared);
    EXPECT_EQ(records[0].node->content, "1800000\n");
}

TEST_F(Journal, WhatHoldsNoReadableStateIsAnAction) {
    // Content that is not text cannot be read back, like a write-only node.
    std::string node = dir.write("drop_caches", "\xFF", 0200);
    ASSERT_TRUE(write_node(node, "3"));
    EXPECT_FALSE(write_node(dir.file("absent"), "1"));
    EXPECT_EQ(journal_records().size(), 0u);
}

TEST_F(Journal, ARecordOfAnEarlierBootIsNoOriginal) {
    std::string node = dir.write("swappiness", "60\n");
    JournalRecord older;
    older.node = NodeOriginal{node, "an-earlier-boot", 0644, "100\n"};
    write_journal("garbage\n" + format_record(older) + "\n");
    ASSERT_TRUE(write_node(node, "10"));
    // and leaves the journal, which would otherwise grow at every boot
    EXPECT_EQ(slurp(journal_path()), "garbage\n" + format_record(journal_records().at(0)) + "\n");
    EXPECT_EQ(journal_records().at(0).node->content, "60\n");
}

TEST_F(Journal, ATornLastLineIsEndedBeforeTheNextRecord) {
    write_journal("3f2a node bo");
    std::string node = dir.write("swappiness", "60\n");
    ASSERT_TRUE(write_node(node, "10"));
    const std::string content = slurp(journal_path());
    std::vector<std::string_view> lines = split_lines(content);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "3f2a node bo");
    EXPECT_TRUE(parse_record(lines[1]));
}

TEST_F(Journal, NoChangeWithoutItsOriginal) {
    std::string node = dir.write("swappiness", "60\n");
    dir.write("not_a_folder", "");
    set_korvane_folder(dir.file("not_a_folder/korvane"));
    auto written = write_node(node, "10");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().rfind("Could not record the original of " + node + ": " + dir.file("not_a_folder/korvane"), 0),
              0u)
        << written.error();
    EXPECT_EQ(slurp(node), "60\n");
    EXPECT_FALSE(change_mode(node, 0));
    EXPECT_EQ(mode_of(node), 0644u);
}

TEST_F(Journal, TheLockIsHeldFromTheFirstRecordToTheEnd) {
    ASSERT_TRUE(write_node(dir.write("swappiness", "60\n"), "10"));
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open(journal_path().c_str(), O_RDONLY | O_CLOEXEC);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process could take the lock";
}

TEST_F(Journal, ADryRunShowsEveryChangeAndMakesNone) {
    set_change_policy(ChangePolicy::dry_run);
    std::string node = dir.write("scaling_max_freq", "1800000\n", 0644);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(write_node(node, "900000"));
    EXPECT_TRUE(write_file(node, "0 1"));
    EXPECT_TRUE(change_mode(node, 0));
    EXPECT_TRUE(run_command("settings", {"put", "global", "low_power", "1"}));
    EXPECT_EQ(run_command_output("sync", {}).value(), "");
    EXPECT_TRUE(remove_file(node));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "[DRY] write '900000' to " + node + "\n[DRY] set mode 0444 on " + node + "\n[DRY] write '0 1' to " +
                  node + "\n[DRY] set mode 0000 on " + node +
                  "\n[DRY] run settings put global low_power 1\n[DRY] run sync\n[DRY] remove " + node + "\n");
    EXPECT_EQ(slurp(node), "1800000\n");
    EXPECT_EQ(mode_of(node), 0644u);
    EXPECT_FALSE(path_exists(folder()));
}

}  // namespace
}  // namespace korvane

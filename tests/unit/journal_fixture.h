// A journal of its own for each test, in a temporary folder, with the
// recording policy; both are put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "journal/change_policy.h"
#include "journal/journal.h"
#include "journal/korvane_files.h"
#include "os/text.h"
#include "temp_dir.h"

namespace korvane::testing {

class JournalFixture : public ::testing::Test {
protected:
    void SetUp() override {
        saved_folder_ = korvane_folder();
        set_korvane_folder(dir.file("korvane"));
        set_change_policy(ChangePolicy::record);
    }
    void TearDown() override {
        set_korvane_folder(saved_folder_);
        set_change_policy(ChangePolicy::record);
    }

    std::string folder() const { return dir.file("korvane"); }

    void write_journal(const std::string& content) const {
        ::mkdir(folder().c_str(), 0700);
        std::ofstream(journal_path(), std::ios::binary) << content;
    }

    // The records of the journal's readable lines, in order.
    std::vector<JournalRecord> journal_records() const {
        std::vector<JournalRecord> records;
        const std::string content = slurp(journal_path());
        for (std::string_view line : split_lines(content)) {
            if (auto record = parse_record(line)) records.push_back(*record);
        }
        return records;
    }

    TempDir dir;

private:
    std::string saved_folder_;
};

}  // namespace korvane::testing

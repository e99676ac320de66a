#pragma once
// Before its first change of a piece of tuning state, korvane reads its
// original with the tool (settings get, getprop, ...); a command of several
// changes reads them all first, settings with one `settings list`. Tests of
// what a command changes take those reads out; the journal's own tests check
// them.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {

// A change (its first words) and a read of its original, whose "$N" words
// are the change's Nth word (the tool is word 0). A change may have several.
struct OriginalRead {
    Call change;
    Call read;
};

// clang-format off
inline const OriginalRead kOriginalReads[] = {
    {{"settings", "put"},                      {"settings", "get", "$2", "$3"}},
    {{"settings", "delete"},                   {"settings", "get", "$2", "$3"}},
    // a command of several settings lists their table once
    {{"settings", "put"},                      {"settings", "list", "$2"}},
    {{"settings", "delete"},                   {"settings", "list", "$2"}},
    {{"cmd", "device_config", "put"},          {"cmd", "device_config", "get", "$3", "$4"}},
    {{"cmd", "device_config", "delete"},       {"cmd", "device_config", "get", "$3", "$4"}},
    {{"setprop"},                              {"getprop", "$1"}},
    {{"cmd", "appops", "set"},                 {"cmd", "appops", "get", "$3", "$4"}},
    {{"cmd", "deviceidle", "sys-whitelist"},   {"cmd", "deviceidle", "sys-whitelist"}},
    {{"cmd", "game", "mode"},                  {"cmd", "game", "list-modes", "$4"}},
    {{"cmd", "game", "reset"},                 {"cmd", "game", "list-modes", "$3"}},
    // before a game's reset, what the game manager applies to it (13; 14 on)
    {{"cmd", "game", "reset"},                 {"cmd", "game", "list", "$3"}},
    {{"cmd", "game", "reset"},                 {"cmd", "game", "list-configs", "$3"}},
};
// clang-format on

// Whether `read` reads an original of `change`, a change the journal records.
inline bool reads_original_of(const Call& read, const Call& change) {
    for (const OriginalRead& row : kOriginalReads) {
        // a sys-whitelist without its +PACKAGE or -PACKAGE is the read itself
        if (change.size() <= row.change.size() || !std::equal(row.change.begin(), row.change.end(), change.begin())) {
            continue;
        }
        Call expected;
        for (const std::string& word : row.read) {
            const size_t n = word.starts_with("$") ? std::stoul(word.substr(1)) : 0;
            if (n >= change.size()) break;
            expected.push_back(word.starts_with("$") ? change[n] : word);
        }
        if (expected == read) return true;
    }
    return false;
}

// The originals a journal's text holds: every record but korvane's own
// values ("<checksum> set ...").
inline long original_records(const std::string& journal) {
    long count = 0;
    for (size_t at = 0; at < journal.size();) {
        const size_t end = std::min(journal.find('\n', at), journal.size());
        const size_t word = journal.find(' ', at);
        if (end < journal.size() && (word > end || journal.compare(word + 1, 4, "set ") != 0)) ++count;
        at = end + 1;
    }
    return count;
}

// The line korvane prints when it turns server sync off before its first
// device_config put of a run (Android 12+).
inline const std::string kSyncOff =
    "[INFO] Server sync of device_config is off, so that these values stay; korvane --restore turns it back on";

// The calls without each read of an original that a later change records
// (right before it, or among the reads a command makes before its first
// change), and without the sync mode's read and set before a run's first
// device_config put.
inline std::vector<Call> without_journal_reads(const std::vector<Call>& calls) {
    std::vector<Call> kept;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].size() >= 3 && calls[i][1] == "device_config" && calls[i][2].ends_with("_sync_disabled_for_tests")) {
            continue;
        }
        bool journal_read = false;
        for (size_t j = i + 1; j < calls.size() && !journal_read; ++j) journal_read = reads_original_of(calls[i], calls[j]);
        if (!journal_read) kept.push_back(calls[i]);
    }
    return kept;
}

}  // namespace korvane::e2e

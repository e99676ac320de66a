#pragma once
// Before each first change of a piece of tuning state, korvane reads its
// original with the tool (settings get, getprop, ...). Tests of what a
// command changes take those reads out; the journal's own tests check them.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "sim_device.h"

namespace korvane::e2e {

// A change (its first words) and the read of its original, whose "$N" words
// are the change's Nth word (the tool is word 0).
struct OriginalRead {
    Call change;
    Call read;
};

// clang-format off
inline const OriginalRead kOriginalReads[] = {
    {{"settings", "put"},                      {"settings", "get", "$2", "$3"}},
    {{"settings", "delete"},                   {"settings", "get", "$2", "$3"}},
    {{"cmd", "device_config", "put"},          {"cmd", "device_config", "get", "$3", "$4"}},
    {{"cmd", "device_config", "delete"},       {"cmd", "device_config", "get", "$3", "$4"}},
    {{"setprop"},                              {"getprop", "$1"}},
    {{"cmd", "appops", "set"},                 {"cmd", "appops", "get", "$3", "$4"}},
    {{"cmd", "deviceidle", "sys-whitelist"},   {"cmd", "deviceidle", "sys-whitelist"}},
    {{"cmd", "game", "mode"},                  {"cmd", "game", "list-modes", "$4"}},
    {{"cmd", "game", "reset"},                 {"cmd", "game", "list-modes", "$3"}},
};
// clang-format on

// The read of the change's original, if it is a change the journal records.
inline std::optional<Call> original_read(const Call& change) {
    for (const OriginalRead& row : kOriginalReads) {
        // a sys-whitelist without its +PACKAGE or -PACKAGE is the read itself
        if (change.size() <= row.change.size() || !std::equal(row.change.begin(), row.change.end(), change.begin())) {
            continue;
        }
        Call read;
        for (const std::string& word : row.read) {
            if (!word.starts_with("$")) {
                read.push_back(word);
                continue;
            }
            const size_t n = std::stoul(word.substr(1));
            if (n >= change.size()) return std::nullopt;
            read.push_back(change[n]);
        }
        return read;
    }
    return std::nullopt;
}

// The calls without each read that stands right before the change it records.
inline std::vector<Call> without_journal_reads(const std::vector<Call>& calls) {
    std::vector<Call> kept;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (i + 1 < calls.size() && original_read(calls[i + 1]) == calls[i]) continue;
        kept.push_back(calls[i]);
    }
    return kept;
}

}  // namespace korvane::e2e

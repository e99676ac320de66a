// Per-boundary tunables: WALT's sched_upmigrate and sched_downmigrate hold
// one margin per boundary between CPU clusters. The kernel takes exactly
// that many; a GKI kernel shows more slots than it takes, so what a node
// reads is no count to write by.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The cluster boundaries: the cpufreq policies less one; nothing when they
// cannot be counted (no policy folders, or a single cluster). Read once per run.
std::optional<size_t> cluster_boundaries();

// True for a node that holds one margin per boundary where the kernel has
// WALT: sched_upmigrate or sched_downmigrate.
bool is_per_boundary_node(std::string_view path);

// The numbers of a node's text, as the kernel separates them (blanks, tabs).
std::vector<std::string_view> node_numbers(std::string_view text);

// `value` `count` times, separated by single blanks: "95 95".
std::string per_boundary_text(std::string_view value, size_t count);

// What to write to put back a per-boundary node that read `original`: its
// first margins, one per boundary, when it showed more slots than the kernel
// takes; otherwise `original` itself.
std::string per_boundary_original(std::string_view path, std::string_view original);

// True when a node at `path` that reads `now` holds what `written` put
// there, as the kernel shows it: the same numbers or words whatever blanks,
// tabs and line end separate them, and for a per-boundary node the written
// margins in its first slots.
bool reads_back_as_written(std::string_view path, std::string_view written, std::string_view now);

}  // namespace korvane

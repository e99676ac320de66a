#include "maintenance/nand_health.h"

#include <optional>
#include <string>

#include "journal/dry_run.h"
#include "journal/korvane_files.h"
#include "journal/node_change.h"
#include "journal/tool_commands.h"
#include "maintenance/life_time.h"
#include "os/clock.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

// clang-format off
constexpr const char* kLifeTimeNodes[] = {
    "/sys/devices/platform/soc/1d84000.ufshc/health_descriptor/life_time_estimation_a",
    "/sys/devices/platform/soc/1d84000.ufshc/health_descriptor/life_time_estimation_b",
    "/sys/devices/platform/soc/1d84000.ufshc/health/lifetimeA",
    "/sys/devices/platform/soc/1d84000.ufshc/health/lifetimeB",
    "/sys/block/mmcblk0/device/life_time",
    "/sys/block/mmcblk0/device/life_time_b",
};
// clang-format on

constexpr size_t kFallbackPaths = 5;

std::string_view storage_type() {
    if (path_exists("/dev/block/sda")) return "UFS";
    if (path_exists("/dev/block/mmcblk0")) return "eMMC";
    return "Unknown";
}

// The life-time code a node holds, or an empty text when it is unreadable or
// holds none.
std::string code_in(const std::string& path) {
    auto content = read_node(path);
    return content ? find_hex_code(*content) : std::string();
}

void scan_fixed_nodes(LifeBanks& banks) {
    for (const char* node : kLifeTimeNodes) {
        std::string code = code_in(node);
        if (!code.empty()) banks.fill(bank_of_node(node), code);
    }
}

// Paths found here are not classified: each usable one fills the next empty bank.
void scan_found_nodes(LifeBanks& banks) {
    auto found = run_command_output("find", {"/sys/devices", "-name", "*life_time*", "-type", "f"});
    if (!found) {
        out("[WARN] Failed to find life_time files: ", found.error());
        return;
    }
    auto paths = split_lines(*found);
    if (paths.size() > kFallbackPaths) paths.resize(kFallbackPaths);
    for (std::string_view path : paths) {
        if (!banks.any_empty()) break;
        std::string code = code_in(std::string(path));
        if (!code.empty()) banks.fill_first_empty(code);
    }
}

void print_wear(const LifeBanks& banks) {
    out("Bank A (Data):   ", bank_text(banks.a), "  [", life_time_percent(banks.a), "% Life]");
    out("Bank B (System): ", bank_text(banks.b), "  [", life_time_percent(banks.b), "% Life]");
    print_line("");
    WearVerdict verdict = wear_verdict(banks);
    print_line(verdict.verdict);
    print_line(verdict.reason);
    print_line(verdict.action);
    print_line("");
}

// One `dd` run: the milliseconds from its start to its end when it
// succeeded, or its failure, already reported on its own line.
struct DdRun {
    bool ok = false;
    uint64_t ms = 0;
};

DdRun timed_dd(const Args& args, std::string_view failed) {
    uint64_t start = monotonic_ns();
    auto r = run_command("dd", args);
    // The elapsed span truncated to whole milliseconds.
    uint64_t elapsed = (monotonic_ns() - start) / 1000000;
    if (!r) out(failed, r.error());
    return {r.ok(), elapsed};
}

// Which of the two runs failed, for the line that says no speed was measured.
std::string_view failed_tests(const DdRun& write, const DdRun& read) {
    if (!write.ok && !read.ok) return "write and read tests failed";
    return write.ok ? "read test failed" : "write test failed";
}

void run_io_test() {
    print_line("[INFO] Running I/O performance test...");
    // In korvane's own folder, which only root can enter: in a folder another
    // user can write (/data/local/tmp), a link planted between the unlink and
    // dd's open would make root's dd overwrite its target. It is on /data as
    // well, so the timing is the same.
    const std::string scratch = korvane_file(kNandScratchName);
    // A dd failing for want of the folder reports it on its line.
    if (!is_dry_run()) (void)ensure_korvane_folder();
    // Whatever an earlier report left there goes first. One unlink, never a
    // tree; a directory left there fails dd.
    (void)remove_file(scratch);
    const DdRun write = timed_dd({"if=/dev/zero", "of=" + scratch, "bs=4k", "count=256"}, "Write test failed: ");
    const DdRun read = timed_dd({"if=" + scratch, "of=/dev/null", "bs=4k"}, "Read test failed: ");
    (void)remove_file(scratch);
    // A dry run skipped both runs and has no time to show.
    if (write.ok && read.ok && is_dry_run()) return;
    // A failed run's time says nothing about the storage: speeds and a
    // verdict only from two runs that did their work.
    if (write.ok && read.ok) {
        out("Write Speed (1MB): ", write.ms, " ms");
        out("Read Speed (1MB):  ", read.ms, " ms");
    }
    print_line("");
    if (write.ok && read.ok) {
        print_line(performance_verdict(write.ms, read.ms));
    } else {
        out("PERFORMANCE: not measured (", failed_tests(write, read), ")");
    }
    print_line("");
}

}  // namespace

Result<void> check_nand() {
    print_line("[INFO] Starting NAND Health Diagnostics...");
    auto model = run_command_output("getprop", {"ro.product.model"});
    if (!model) return drop_value(model);
    out("Device Model: ", trim(*model));
    out("Storage Type: ", storage_type());
    print_line("");

    LifeBanks banks;
    scan_fixed_nodes(banks);
    if (banks.any_empty()) scan_found_nodes(banks);
    print_wear(banks);

    run_io_test();
    print_line("[OK] NAND diagnostics completed");
    return success();
}

}  // namespace korvane

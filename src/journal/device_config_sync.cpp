#include "journal/device_config_sync.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "android/release_level.h"
#include "journal/change_policy.h"
#include "journal/command_kinds.h"
#include "journal/journal.h"
#include "journal/state_originals.h"
#include "journal/tool_commands.h"
#include "os/output.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr int32_t kFirstGetVerbRelease = 33;
const StateTarget kSyncTarget{StateKind::sync_mode, {}};
constexpr std::string_view kSyncOn = "none";
constexpr std::string_view kUntilReboot = "until_reboot";
constexpr std::string_view kModes[] = {kSyncOn, kSyncKept, kUntilReboot};
// Where the persistent mode is stored, "1" while it holds.
constexpr std::string_view kPersistentSetting = "device_config_sync_disabled";

Error unexpected(std::string_view answer) { return error(str_cat("unexpected answer: '", answer, "'")); }

}  // namespace

std::string sync_mode_read_verb(int32_t release) {
    return release >= kFirstGetVerbRelease ? "get_sync_disabled_for_tests" : "is_sync_disabled_for_tests";
}

Result<std::string> read_sync_mode(int32_t release) {
    auto answer = run_command_output("cmd", {"device_config", sync_mode_read_verb(release)});
    if (!answer) return Error{answer.error()};
    const std::string_view said = trim(*answer);
    if (release >= kFirstGetVerbRelease) {
        if (std::find(std::begin(kModes), std::end(kModes), said) == std::end(kModes)) return unexpected(said);
        return std::string(said);
    }
    // 12/12L say only whether sync is off; the persistent mode is the one
    // kept in the global setting, until_reboot lives in memory alone.
    if (said == "false") return std::string(kSyncOn);
    if (said != "true") return unexpected(said);
    auto stored = run_command_output("settings", {"get", "global", std::string(kPersistentSetting)});
    if (!stored) return Error{stored.error()};
    return std::string(trim(*stored) == "1" ? kSyncKept : kUntilReboot);
}

namespace {

// The mode as this run found it, read and recorded once.
struct SyncMode {
    std::optional<int32_t> release;  // set on 12 and later only
    Result<std::string> mode = std::string();
    Result<void> recorded;
};

const SyncMode& sync_mode() {
    static const SyncMode found = [] {
        SyncMode m;
        auto release = known_release_level();
        if (!release || !*release || **release < kFirstSyncRelease) return m;
        m.release = **release;
        m.mode = read_sync_mode(**release);
        if (m.mode) m.recorded = record_state_originals({StateOriginal{kSyncTarget, *m.mode}});
        return m;
    }();
    return found;
}

}  // namespace

void record_device_config_sync_mode() {
    const ChangePolicy policy = change_policy();
    if (policy == ChangePolicy::record || policy == ChangePolicy::dry_run) (void)sync_mode();
}

void keep_device_config_sync_off() {
    static bool done = false;
    if (done) return;
    done = true;
    const SyncMode& found = sync_mode();
    if (!found.release) return;
    if (!found.mode) {
        out("[WARN] Could not read the device_config sync mode: ", found.mode.error());
        return;
    }
    if (!found.recorded) {
        out("[WARN] Server sync of device_config stays as it is: ", found.recorded.error());
        return;
    }
    const std::string& mode = *found.mode;
    if (mode == kSyncKept) return;
    auto set = run_command_output("cmd", {"device_config", "set_sync_disabled_for_tests", std::string(kSyncKept)});
    // The verb prints nothing when it works.
    if (set && !trim(*set).empty()) set = error(str_cat("unexpected answer: '", trim(*set), "'"));
    if (!set) {
        out("[WARN] Could not turn off server sync of device_config: ", set.error());
        return;
    }
    if (is_dry_run(change_policy())) return;
    out("[INFO] Server sync of device_config is off, so that these values stay; korvane --restore turns it back on");
}

}  // namespace korvane

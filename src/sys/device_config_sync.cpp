#include "sys/device_config_sync.h"

#include "sys/journal/change_policy.h"
#include "sys/journal/command_kinds.h"
#include "sys/journal/journal.h"
#include "sys/journal/state_originals.h"
#include "sys/output.h"
#include "sys/release_level.h"
#include "sys/runner.h"
#include "sys/text.h"

namespace korvane {
namespace {

constexpr int32_t kFirstGetVerbRelease = 33;
const StateTarget kSyncTarget{StateKind::sync_mode, {}};

}  // namespace

std::string sync_mode_read_verb(int32_t release) {
    return release >= kFirstGetVerbRelease ? "get_sync_disabled_for_tests" : "is_sync_disabled_for_tests";
}

Result<std::string> read_sync_mode(int32_t release) {
    auto answer = run_command_output("cmd", {"device_config", sync_mode_read_verb(release)});
    if (!answer) return Error{answer.error()};
    auto mode = parse_state_value(kSyncTarget, *answer);
    if (!mode) return Error{mode.error()};
    return **mode;
}

void keep_device_config_sync_off() {
    static bool done = false;
    if (done) return;
    done = true;
    auto release = known_release_level();
    if (!release || !*release || **release < kFirstSyncRelease) return;

    auto mode = read_sync_mode(**release);
    if (!mode) {
        out("[WARN] Could not read the device_config sync mode: ", mode.error());
        return;
    }
    if (auto recorded = record_state_originals({StateOriginal{kSyncTarget, *mode}}); !recorded) {
        out("[WARN] Server sync of device_config stays as it is: ", recorded.error());
        return;
    }
    if (*mode == kSyncKept) return;
    auto set = run_command_output("cmd", {"device_config", "set_sync_disabled_for_tests", std::string(kSyncKept)});
    // The verb prints nothing when it works.
    if (set && !trim(*set).empty()) set = error(str_cat("unexpected answer: '", trim(*set), "'"));
    if (!set) {
        out("[WARN] Could not turn off server sync of device_config: ", set.error());
        return;
    }
    if (is_dry_run(change_policy())) return;
    if (change_policy() == ChangePolicy::record) {
        JournalRecord value;
        value.state = StateOriginal{kSyncTarget, std::string(kSyncKept)};
        journal_note_value(std::move(value));
    }
    out("[INFO] Server sync of device_config is off, so that these values stay; korvane --restore turns it back on");
}

}  // namespace korvane

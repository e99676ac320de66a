#include "profiles/device_config_profile.h"

#include <map>
#include <string>
#include <vector>

#include "android/device_config_list.h"
#include "android/release_level.h"
#include "journal/concurrent_runner.h"
#include "journal/device_config_sync.h"
#include "journal/state_originals.h"
#include "os/number_parse.h"
#include "os/output.h"
#include "os/text.h"
#include "profiles/device_config_twins.h"

namespace korvane {
namespace {

// Each `cmd device_config` call waits mostly on the phone's services; four at
// a time take a fraction of the time without crowding a phone's cores.
constexpr size_t kCommandsAtOnce = 4;

const std::string kDeviceConfig = "device_config";

// Reads each namespace once and records the originals of its twins before
// any changes; a namespace that cannot be listed keeps all its values.
PreparedTwins prepare(const std::vector<ConfigTwin>& twins) {
    PreparedTwins prepared;
    prepared.count = twins.size();
    std::vector<StateOriginal> originals;
    std::vector<std::string_view> listed;
    for (std::string_view ns : twin_namespaces(twins)) {
        auto listing = run_command_output("cmd", {kDeviceConfig, "list", std::string(ns)});
        if (!listing) {
            prepared.skipped[ns] = str_cat("[WARN] Skipping device_config ", ns, ": ", listing.error());
            continue;
        }
        const ConfigValues values = parse_config_list(*listing);
        for (const ConfigTwin& twin : twins) {
            if (twin.ns != ns) continue;
            auto found = values.find(twin.key);
            StateOriginal original{{StateKind::device_config, {std::string(ns), std::string(twin.key)}}, std::nullopt};
            if (found != values.end()) original.value = found->second;
            originals.push_back(std::move(original));
        }
        listed.push_back(ns);
    }
    if (auto recorded = record_state_originals(originals); !recorded) {
        for (std::string_view ns : listed) {
            prepared.skipped[ns] = str_cat("[WARN] Skipping device_config ", ns, ": ", recorded.error());
        }
        return prepared;
    }
    for (const ConfigTwin& twin : twins) {
        for (std::string_view ns : listed) {
            if (twin.ns == ns) prepared.twins.push_back(twin);
        }
    }
    return prepared;
}

}  // namespace

std::optional<int32_t> phone_release() {
    auto level = query_release_level();
    if (!level) return std::nullopt;
    return *level;
}

PreparedTwins prepare_profile_twins(std::optional<int32_t> release, TwinChange change) {
    if (!release || *release < kFirstTwinRelease) return {};
    // Sync goes off before the first put: its mode is recorded with the keys.
    if (change == TwinChange::put) record_device_config_sync_mode();
    PreparedTwins prepared = prepare(twins_for(*release));
    prepared.release = release;
    return prepared;
}

void put_profile_twins(const PreparedTwins& prepared, TuningProfile profile) {
    if (!prepared.release) return;
    out("[INFO] Android ", release_name(*prepared.release), " reads these values from device_config: setting ",
        prepared.count, " there");
    // The lines follow the namespaces' order: a namespace's skip line comes
    // out once every put of the namespaces before it has been reported.
    const std::vector<std::string_view> order = twin_namespaces(twins_for(*prepared.release));
    size_t next_namespace = 0;
    auto print_skips_before = [&](std::optional<std::string_view> ns) {
        for (; next_namespace < order.size() && order[next_namespace] != ns; ++next_namespace) {
            auto skipped = prepared.skipped.find(order[next_namespace]);
            if (skipped != prepared.skipped.end()) print_line(skipped->second);
        }
    };
    const auto& todo = prepared.twins;
    std::vector<ToolCommand> puts;
    for (const ConfigTwin& twin : todo) {
        puts.push_back({"cmd", {kDeviceConfig, "put", std::string(twin.ns), std::string(twin.key),
                                twin_value(twin, profile)}});
    }
    if (!todo.empty()) print_skips_before(todo.front().ns);
    run_commands_concurrently(puts, kCommandsAtOnce, [&](size_t i, const Result<void>& outcome) {
        if (!outcome) out("[WARN] Failed to set device_config ", todo[i].ns, "/", todo[i].key, ": ", outcome.error());
        if (i + 1 < todo.size()) print_skips_before(todo[i + 1].ns);
    });
    print_skips_before(std::nullopt);
}

void delete_profile_twins(const PreparedTwins& prepared) {
    std::vector<ToolCommand> deletes;
    for (const ConfigTwin& twin : prepared.twins) {
        deletes.push_back({"cmd", {kDeviceConfig, "delete", std::string(twin.ns), std::string(twin.key)}});
    }
    // Each delete stands alone, as the global deletes do.
    run_commands_concurrently(deletes, kCommandsAtOnce, [](size_t, const Result<void>&) {});
}

}  // namespace korvane

#include "profiles/device_config_twins.h"

#include <algorithm>

#include "os/text.h"
#include "profiles/system_settings_table.h"

namespace korvane {
namespace {

constexpr auto kSame = TwinConversion::same;
constexpr auto kNot = TwinConversion::negated;
constexpr auto kSound = TwinConversion::sound_trigger;

constexpr std::string_view kAm = "activity_manager_constants";
constexpr std::string_view kJob = "job_scheduler_constants";
constexpr std::string_view kQuota = "job_scheduler_quota_controller_constants";
constexpr std::string_view kSaver = "battery_saver_constants";
constexpr std::string_view kIdle = "device_idle_constants";
constexpr std::string_view kStandby = "app_standby_constants";

// Android 15 reads device_idle_constants again, key by key over device_config:
// there the global is enough. qc_max_execution_time_ms has no row: the
// framework clamps it to at least an hour, stricter than its default.
// clang-format off
constexpr ConfigTwin kTwins[] = {
    // namespace, key, setting, its key ("": the same), conversion, first and last release reading it
    {"activity_manager", "max_cached_processes",                kAm,      "",                           kSame,  31, 0},
    {"activity_manager", "max_phantom_processes",               kAm,      "",                           kSame,  31, 0},
    {"jobscheduler",     "min_ready_non_active_jobs_count",     kJob,     "",                           kSame,  31, 0},
    {"jobscheduler",     "heavy_use_factor",                    kJob,     "",                           kSame,  31, 0},
    {"jobscheduler",     "moderate_use_factor",                 kJob,     "",                           kSame,  31, 0},
    {"jobscheduler",     "min_linear_backoff_time_ms",          kJob,     "min_linear_backoff_time",    kSame,  31, 0},
    {"jobscheduler",     "min_exp_backoff_time_ms",             kJob,     "min_exp_backoff_time",       kSame,  31, 0},
    {"jobscheduler",     "qc_max_job_count_active",             kQuota,   "max_job_count_active",       kSame,  31, 0},
    {"jobscheduler",     "qc_max_job_count_working",            kQuota,   "max_job_count_working",      kSame,  31, 0},
    {"battery_saver",    "enable_brightness_adjustment",        kSaver,   "adjust_brightness_disabled", kNot,   31, 0},
    {"battery_saver",    "enable_datasaver",                    kSaver,   "datasaver_disabled",         kNot,   31, 0},
    {"battery_saver",    "location_mode",                       kSaver,   "gps_mode",                   kSame,  31, 0},
    {"battery_saver",    "enable_quick_doze",                   kSaver,   "quick_doze_enabled",         kSame,  31, 0},
    {"battery_saver",    "disable_vibration",                   kSaver,   "vibration_disabled",         kSame,  31, 0},
    {"battery_saver",    "defer_full_backup",                   kSaver,   "fullbackup_deferred",        kSame,  31, 0},
    {"battery_saver",    "defer_keyvalue_backup",               kSaver,   "keyvaluebackup_deferred",    kSame,  31, 0},
    {"battery_saver",    "disable_launch_boost",                kSaver,   "launch_boost_disabled",      kSame,  31, 0},
    {"battery_saver",    "disable_optional_sensors",            kSaver,   "optional_sensors_disabled",  kSame,  31, 0},
    {"battery_saver",    "soundtrigger_mode",                   kSaver,   "sound_trigger_mode",         kSound, 31, 0},
    {"device_idle",      "light_after_inactive_to",             kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "light_pre_idle_to",                   kIdle,    "",                           kSame,  31, 32},
    {"device_idle",      "light_idle_to",                       kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "light_idle_factor",                   kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "light_max_idle_to",                   kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "light_idle_maintenance_min_budget",   kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "light_idle_maintenance_max_budget",   kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "min_light_maintenance_time",          kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "min_deep_maintenance_time",           kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "inactive_to",                         kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "sensing_to",                          kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "locating_to",                         kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "location_accuracy",                   kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "motion_inactive_to",                  kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "idle_after_inactive_to",              kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "idle_to",                             kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "wait_for_unlock",                     kIdle,    "",                           kSame,  31, 34},
    {"device_idle",      "quick_doze_delay_to",                 kIdle,    "",                           kSame,  31, 34},
    {"app_standby",      "strong_usage_duration",               kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "notification_seen_duration",          kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "system_update_usage_duration",        kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "prediction_timeout",                  kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "sync_adapter_duration",               kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "exempted_sync_scheduled_nd_duration", kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "exempted_sync_start_duration",        kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "system_interaction_duration",         kStandby, "",                           kSame,  31, 0},
    {"app_standby",      "initial_foreground_service_start_duration", kStandby, "", kSame, 31, 0},
    {"app_standby",      "trigger_quota_bump_on_notification_seen", kStandby, "", kSame, 33, 0},
};
// clang-format on

// The sound trigger's "none" mode, and the key that asks for it.
constexpr std::string_view kSoundTriggerNone = "2";
constexpr std::string_view kSoundTriggerDisabled = "sound_trigger_disabled";

// The profile's value of `key` in the global setting `setting`; the table's
// rows name only keys the lists hold.
std::string_view profile_value(std::string_view setting, std::string_view key, TuningProfile profile) {
    for (const GlobalSetting& global : global_settings()) {
        if (global.name != setting) continue;
        for (const SettingEntry& entry : global.entries) {
            if (entry.key == key) return entry.values.pick(profile);
        }
    }
    return {};
}

}  // namespace

std::span<const ConfigTwin> config_twins() { return kTwins; }

std::vector<ConfigTwin> twins_for(int32_t release) {
    std::vector<ConfigTwin> twins;
    for (const ConfigTwin& twin : kTwins) {
        if (release < twin.first_release) continue;
        if (twin.last_release != 0 && release > twin.last_release) continue;
        twins.push_back(twin);
    }
    return twins;
}

std::vector<std::string_view> twin_namespaces(std::span<const ConfigTwin> twins) {
    std::vector<std::string_view> names;
    for (const ConfigTwin& twin : twins) {
        if (std::find(names.begin(), names.end(), twin.ns) == names.end()) names.push_back(twin.ns);
    }
    return names;
}

std::string twin_value(const ConfigTwin& twin, TuningProfile profile) {
    const std::string_view source = twin.source.empty() ? twin.key : twin.source;
    const std::string_view value = profile_value(twin.setting, source, profile);
    switch (twin.conversion) {
        case TwinConversion::same: return std::string(value);
        case TwinConversion::negated: return value == "true" ? "false" : "true";
        case TwinConversion::sound_trigger:
            if (profile_value(twin.setting, kSoundTriggerDisabled, profile) == "true") {
                return std::string(kSoundTriggerNone);
            }
            return std::string(value);
    }
    return std::string(value);
}

std::string release_name(int32_t release) {
    if (release == 32) return "12L";
    // From Android 10 (API 29) each release has one level, except 12L.
    if (release >= 33) return str_cat(release - 20);
    if (release >= 29) return str_cat(release - 19);
    return str_cat("API ", release);
}

}  // namespace korvane

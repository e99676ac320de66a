#include "profiles/system_settings_table.h"

namespace korvane {
namespace {

// One row per key, a column per profile: the three profiles of a setting
// share its keys and their order by construction.
// clang-format off
constexpr SettingEntry kActivityManagerConstants[] = {
    // key                                 battery     balanced    performance
    {"max_cached_processes",              {"16",       "32",       "64"}},
    {"background_settle_time",            {"10000",    "10000",    "5000"}},
    {"fgservice_min_shown_time",          {"2000",     "2000",     "1000"}},
    {"fgservice_min_report_time",         {"5000",     "5000",     "5000"}},
    {"fgservice_screen_on_before_time",   {"10000",    "10000",    "5000"}},
    {"fgservice_screen_on_after_time",    {"30000",    "30000",    "15000"}},
    {"content_provider_retain_time",      {"120000",   "120000",   "240000"}},
    {"gc_timeout",                        {"5000",     "5000",     "2500"}},
    {"gc_min_interval",                   {"60000",    "60000",    "30000"}},
    {"full_pss_min_interval",             {"120000",   "120000",   "60000"}},
    {"full_pss_lowered_interval",         {"60000",    "60000",    "30000"}},
    {"power_check_interval",              {"15000",    "15000",    "5000"}},
    {"power_check_max_cpu_1",             {"25",       "25",       "50"}},
    {"power_check_max_cpu_2",             {"50",       "50",       "75"}},
    {"power_check_max_cpu_3",             {"75",       "75",       "100"}},
    {"power_check_max_cpu_4",             {"100",      "100",      "100"}},
    {"service_usage_interaction_time",    {"10000",    "10000",    "10000"}},
    {"usage_stats_interaction_interval",  {"86400000", "86400000", "86400000"}},
    {"service_restart_duration",          {"10000",    "10000",    "5000"}},
    {"service_reset_run_duration",        {"60000",    "60000",    "30000"}},
    {"service_restart_duration_factor",   {"4",        "4",        "4"}},
    {"service_min_restart_time_between",  {"10000",    "10000",    "5000"}},
    {"service_max_inactivity",            {"1800000",  "1800000",  "900000"}},
    {"service_bg_start_timeout",          {"30000",    "30000",    "15000"}},
    {"CUR_MAX_CACHED_PROCESSES",          {"12",       "24",       "48"}},
    {"CUR_MAX_EMPTY_PROCESSES",           {"8",        "16",       "32"}},
    {"CUR_TRIM_EMPTY_PROCESSES",          {"4",        "8",        "16"}},
    {"CUR_TRIM_CACHED_PROCESSES",         {"8",        "12",       "24"}},
    {"max_phantom_processes",             {"16",       "32",       "64"}},
    {"binder_cpu_max_loops",              {"10",       "10",       "10"}},
    {"binder_cpu_starvation_threshold",   {"10",       "10",       "10"}},
    {"binder_cpu_threshold",              {"50",       "50",       "50"}},
    {"binder_cpu_check_interval",         {"10000",    "10000",    "10000"}},
    {"binder_cpu_max_retries",            {"5",        "5",        "5"}},
    {"binder_cpu_retry_delay",            {"1000",     "1000",     "1000"}},
    {"binder_cpu_throttle_delay",         {"1000",     "1000",     "1000"}},
    {"binder_cpu_throttle_increment",     {"1000",     "1000",     "1000"}},
    {"binder_cpu_throttle_max",           {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_min",           {"1000",     "1000",     "1000"}},
    {"binder_cpu_throttle_period",        {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_window",        {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_enabled",       {"true",     "true",     "false"}},
    {"binder_cpu_throttle_debug",         {"false",    "false",    "false"}},
    {"binder_cpu_throttle_kill",          {"false",    "false",    "false"}},
    {"binder_cpu_throttle_kill_delay",    {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_kill_interval", {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_kill_max",      {"10",       "10",       "10"}},
    {"binder_cpu_throttle_kill_min",      {"1",        "1",        "1"}},
    {"binder_cpu_throttle_kill_period",   {"10000",    "10000",    "10000"}},
    {"binder_cpu_throttle_kill_window",   {"10000",    "10000",    "10000"}},
};

constexpr SettingEntry kJobSchedulerConstants[] = {
    // key                               battery     balanced    performance
    {"min_ready_non_active_jobs_count", {"0",        "1",        "5"}},
    {"max_non_active_jobs_count",       {"2",        "5",        "10"}},
    {"min_charging_count",              {"1",        "1",        "0"}},
    {"min_battery_not_low_count",       {"1",        "1",        "0"}},
    {"min_storage_not_low_count",       {"1",        "1",        "0"}},
    {"min_connectivity_count",          {"1",        "1",        "0"}},
    {"min_content_count",               {"1",        "1",        "0"}},
    {"min_idle_count",                  {"1",        "1",        "0"}},
    {"min_ready_jobs_count",            {"0",        "1",        "5"}},
    {"heavy_use_factor",                {"0.9",      "0.9",      "1.0"}},
    {"moderate_use_factor",             {"0.5",      "0.5",      "0.8"}},
    {"fg_job_count",                    {"2",        "4",        "8"}},
    {"bg_normal_job_count",             {"4",        "6",        "12"}},
    {"bg_moderate_job_count",           {"8",        "12",       "24"}},
    {"bg_low_job_count",                {"12",       "20",       "40"}},
    {"bg_critical_job_count",           {"20",       "40",       "80"}},
    {"max_standard_reschedule_count",   {"8",        "5",        "5"}},
    {"max_work_reschedule_count",       {"15",       "10",       "10"}},
    {"min_linear_backoff_time",         {"30000",    "10000",    "5000"}},
    {"min_exp_backoff_time",            {"15000",    "5000",     "2500"}},
    {"max_backoff_time",                {"36000000", "18000000", "18000000"}},
    {"min_backoff_time",                {"30000",    "10000",    "5000"}},
    {"max_job_count_per_uid",           {"100",      "150",      "300"}},
    {"max_job_count_active",            {"50",       "100",      "200"}},
    {"max_job_count_working",           {"25",       "50",       "100"}},
    {"max_job_count_failing",           {"20",       "10",       "10"}},
    {"max_job_count_deferred",          {"30",       "50",       "50"}},
    {"max_job_count_total",             {"150",      "300",      "600"}},
    {"job_concurrent_io_cap",           {"4",        "8",        "16"}},
    {"job_concurrent_network_cap",      {"2",        "4",        "8"}},
    {"job_concurrent_cpu_cap",          {"1",        "2",        "4"}},
    {"job_concurrent_compute_cap",      {"1",        "1",        "2"}},
    {"parallel_runnable_threads",       {"2",        "4",        "8"}},
    {"max_parallel_jobs_per_app",       {"1",        "2",        "4"}},
    {"job_start_prefetch_count",        {"0",        "1",        "2"}},
    {"job_stop_delay_ms",               {"5000",     "2000",     "1000"}},
    {"job_expedited_delay_ms",          {"2000",     "1000",     "500"}},
    {"job_heartbeat_fg_grace_ms",       {"30000",    "20000",    "15000"}},
    {"job_heartbeat_bg_grace_ms",       {"60000",    "40000",    "30000"}},
};

constexpr SettingEntry kJobSchedulerQuotaControllerConstants[] = {
    // key                                 battery    balanced   performance
    {"in_quota_buffers",                  {"2",       "3",       "5"}},
    {"window_size_ms",                    {"7200000", "5400000", "3600000"}},
    {"max_execution_time_ms",             {"300000",  "450000",  "600000"}},
    {"max_job_count_active",              {"50",      "100",     "200"}},
    {"max_job_count_working",             {"25",      "50",      "100"}},
    {"max_job_count_failing",             {"20",      "10",      "10"}},
    {"max_job_count_deferred",            {"30",      "50",      "50"}},
    {"top_app_timer_duration_ms",         {"180000",  "240000",  "300000"}},
    {"charging_timer_duration_ms",        {"1200000", "900000",  "600000"}},
    {"battery_not_low_timer_duration_ms", {"1200000", "900000",  "600000"}},
    {"storage_not_low_timer_duration_ms", {"1200000", "900000",  "600000"}},
    {"connectivity_timer_duration_ms",    {"180000",  "240000",  "300000"}},
    {"content_trigger_timer_duration_ms", {"180000",  "240000",  "300000"}},
    {"idle_timer_duration_ms",            {"3600000", "2700000", "1800000"}},
};

constexpr SettingEntry kBatterySaverConstants[] = {
    // key                          battery  balanced performance
    {"adjust_brightness_factor",   {"0.7",   "0.5",   "1.0"}},
    {"adjust_brightness_disabled", {"false", "false", "false"}},
    {"datasaver_disabled",         {"false", "false", "true"}},
    {"force_all_apps_standby",     {"true",  "false", "false"}},
    {"force_background_check",     {"true",  "false", "false"}},
    {"gps_mode",                   {"1",     "2",     "0"}},
    {"job_scheduler_disabled",     {"true",  "false", "false"}},
    {"quick_doze_enabled",         {"true",  "true",  "false"}},
    {"sound_trigger_disabled",     {"true",  "false", "false"}},
    {"vibration_disabled",         {"true",  "false", "false"}},
    {"fullbackup_deferred",        {"true",  "true",  "false"}},
    {"keyvaluebackup_deferred",    {"true",  "true",  "false"}},
    {"gps_disabled",               {"true",  "false", "false"}},
    {"launch_boost_disabled",      {"true",  "false", "false"}},
    {"optional_sensors_disabled",  {"true",  "false", "false"}},
    {"sound_trigger_mode",         {"1",     "0",     "0"}},
    {"vibration_mode",             {"1",     "0",     "0"}},
};

constexpr SettingEntry kDeviceIdleConstants[] = {
    // key                                    battery    balanced   performance
    {"light_after_inactive_to",              {"120000",  "300000",  "7200000"}},
    {"light_pre_idle_to",                    {"180000",  "300000",  "7200000"}},
    {"light_idle_to",                        {"600000",  "300000",  "3600000"}},
    {"light_idle_factor",                    {"3.0",     "2.0",     "2.0"}},
    {"light_max_idle_to",                    {"1800000", "900000",  "7200000"}},
    {"light_idle_maintenance_min_budget",    {"120000",  "60000",   "60000"}},
    {"light_idle_maintenance_max_budget",    {"600000",  "300000",  "300000"}},
    {"min_light_maintenance_time",           {"10000",   "5000",    "5000"}},
    {"min_deep_maintenance_time",            {"60000",   "30000",   "30000"}},
    {"inactive_to",                          {"600000",  "900000",  "7200000"}},
    {"sensing_to",                           {"8000",    "4000",    "4000"}},
    {"locating_to",                          {"10000",   "5000",    "5000"}},
    {"location_accuracy",                    {"50.0",    "20.0",    "20.0"}},
    {"motion_inactive_to",                   {"120000",  "60000",   "60000"}},
    {"idle_after_inactive_to",               {"1800000", "0",       "7200000"}},
    {"idle_to",                              {"7200000", "3600000", "86400000"}},
    {"wait_for_unlock",                      {"true",    "true",    "true"}},
    {"quick_doze_delay_to",                  {"60000",   "30000",   "300000"}},
    {"force_idle_delay",                     {"30000",   "10500",   "600000"}},
    {"light_standby_to",                     {"600000",  "300000",  "3600000"}},
    {"light_standby_factor",                 {"3.0",     "2.0",     "2.0"}},
    {"max_light_standby_to",                 {"1800000", "900000",  "7200000"}},
    {"light_standby_maintenance_min_budget", {"120000",  "60000",   "60000"}},
    {"light_standby_maintenance_max_budget", {"600000",  "300000",  "300000"}},
};

constexpr SettingEntry kAppStandbyConstants[] = {
    // key                                         battery      balanced     performance
    {"elapsed_threshold_absolute",                {"43200000",  "86400000",  "604800000"}},
    {"elapsed_threshold_interactive",             {"21600000",  "43200000",  "302400000"}},
    {"elapsed_threshold_stable",                  {"86400000",  "172800000", "1209600000"}},
    {"strong_usage_duration",                     {"3600000",   "7200000",   "28800000"}},
    {"notification_seen_duration",                {"43200000",  "86400000",  "604800000"}},
    {"system_update_usage_duration",              {"21600000",  "43200000",  "172800000"}},
    {"prediction_timeout",                        {"21600000",  "43200000",  "86400000"}},
    {"sync_adapter_duration",                     {"300000",    "600000",    "600000"}},
    {"exempted_sync_scheduled_nd_duration",       {"150000",    "300000",    "300000"}},
    {"exempted_sync_start_duration",              {"300000",    "600000",    "600000"}},
    {"system_interaction_duration",               {"150000",    "300000",    "300000"}},
    {"initial_foreground_service_start_duration", {"150000",    "300000",    "300000"}},
    {"stable_charging_threshold",                 {"120000",    "60000",     "60000"}},
    {"role_holder_duration",                      {"21600000",  "43200000",  "43200000"}},
    {"trigger_quota_bump_on_notification_seen",   {"true",      "true",      "true"}},
    {"enable_restricted_bucket",                  {"true",      "true",      "false"}},
    {"restricted_bucket_delay_ms",                {"600000",    "300000",    "300000"}},
    {"restricted_bucket_hold_duration_ms",        {"1800000",   "900000",    "900000"}},
    {"slot_duration",                             {"7200000",   "3600000",   "3600000"}},
    {"window_size",                               {"10",        "10",        "10"}},
    {"max_bucket",                                {"50",        "45",        "45"}},
    {"parole_interval",                           {"172800000", "86400000",  "21600000"}},
    {"parole_duration",                           {"300000",    "600000",    "3600000"}},
    {"notification_duration",                     {"60000",     "30000",     "30000"}},
    {"system_interaction_logging_duration",       {"300000",    "300000",    "300000"}},
};

constexpr GlobalSetting kSettings[] = {
    {"activity_manager_constants",               kActivityManagerConstants},
    {"job_scheduler_constants",                  kJobSchedulerConstants},
    {"job_scheduler_quota_controller_constants", kJobSchedulerQuotaControllerConstants},
    {"battery_saver_constants",                  kBatterySaverConstants},
    {"device_idle_constants",                    kDeviceIdleConstants},
    {"app_standby_constants",                    kAppStandbyConstants},
};
// clang-format on

}  // namespace

std::span<const GlobalSetting> global_settings() { return kSettings; }

std::string setting_value(const GlobalSetting& setting, TuningProfile profile) {
    std::string text;
    for (const SettingEntry& entry : setting.entries) {
        if (!text.empty()) text += ',';
        text.append(entry.key).append("=").append(entry.values.pick(profile));
    }
    return text;
}

}  // namespace korvane

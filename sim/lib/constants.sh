# Which of the framework constants the system settings profiles store each
# release reads, and where (../shared/platform.md, "Framework constants on
# Android 12+"; ActivityManagerConstants, JobSchedulerService, QuotaController,
# DeviceIdleController, AppStandbyController and BatterySaverPolicy of 12 to
# 15). Sourced by effects.sh for sim/diff's Effects section.
#
# Rows "global SETTING KEY FIRST LAST": the global setting's own key, read on
# API levels FIRST to LAST (- for every later one). Rows "twin NAMESPACE KEY
# SETTING SOURCE CONVERSION FIRST LAST": device_config NAMESPACE/KEY, read on
# those levels, is where the value of SOURCE in SETTING's list takes effect;
# CONVERSION is same, not (true and false swapped) or soundtrigger (2 when
# sound_trigger_disabled is true, else the value). Before Android 12 the globals
# are read by their own names, key by key; the table starts at 12.
sim_constants_table='
global activity_manager_constants background_settle_time 31 -
global activity_manager_constants fgservice_min_shown_time 31 -
global activity_manager_constants fgservice_min_report_time 31 -
global activity_manager_constants fgservice_screen_on_before_time 31 -
global activity_manager_constants fgservice_screen_on_after_time 31 -
global activity_manager_constants content_provider_retain_time 31 -
global activity_manager_constants gc_timeout 31 -
global activity_manager_constants gc_min_interval 31 -
global activity_manager_constants full_pss_min_interval 31 -
global activity_manager_constants full_pss_lowered_interval 31 -
global activity_manager_constants power_check_interval 31 -
global activity_manager_constants power_check_max_cpu_1 31 -
global activity_manager_constants power_check_max_cpu_2 31 -
global activity_manager_constants power_check_max_cpu_3 31 -
global activity_manager_constants power_check_max_cpu_4 31 -
global activity_manager_constants service_usage_interaction_time 31 -
global activity_manager_constants usage_stats_interaction_interval 31 -
global activity_manager_constants service_restart_duration 31 -
global activity_manager_constants service_reset_run_duration 31 -
global activity_manager_constants service_restart_duration_factor 31 -
global activity_manager_constants service_min_restart_time_between 31 -
global activity_manager_constants service_max_inactivity 31 -
global activity_manager_constants service_bg_start_timeout 31 -
global battery_saver_constants adjust_brightness_factor 31 -
global battery_saver_constants force_all_apps_standby 31 -
global battery_saver_constants force_background_check 31 -
global device_idle_constants light_after_inactive_to 35 -
global device_idle_constants light_idle_to 35 -
global device_idle_constants light_idle_factor 35 -
global device_idle_constants light_max_idle_to 35 -
global device_idle_constants light_idle_maintenance_min_budget 35 -
global device_idle_constants light_idle_maintenance_max_budget 35 -
global device_idle_constants min_light_maintenance_time 35 -
global device_idle_constants min_deep_maintenance_time 35 -
global device_idle_constants inactive_to 35 -
global device_idle_constants sensing_to 35 -
global device_idle_constants locating_to 35 -
global device_idle_constants location_accuracy 35 -
global device_idle_constants motion_inactive_to 35 -
global device_idle_constants idle_after_inactive_to 35 -
global device_idle_constants idle_to 35 -
global device_idle_constants wait_for_unlock 35 -
global device_idle_constants quick_doze_delay_to 35 -
twin activity_manager max_cached_processes activity_manager_constants max_cached_processes same 31 -
twin activity_manager max_phantom_processes activity_manager_constants max_phantom_processes same 31 -
twin jobscheduler min_ready_non_active_jobs_count job_scheduler_constants min_ready_non_active_jobs_count same 31 -
twin jobscheduler heavy_use_factor job_scheduler_constants heavy_use_factor same 31 -
twin jobscheduler moderate_use_factor job_scheduler_constants moderate_use_factor same 31 -
twin jobscheduler min_linear_backoff_time_ms job_scheduler_constants min_linear_backoff_time same 31 -
twin jobscheduler min_exp_backoff_time_ms job_scheduler_constants min_exp_backoff_time same 31 -
twin jobscheduler qc_max_job_count_active job_scheduler_quota_controller_constants max_job_count_active same 31 -
twin jobscheduler qc_max_job_count_working job_scheduler_quota_controller_constants max_job_count_working same 31 -
twin battery_saver enable_brightness_adjustment battery_saver_constants adjust_brightness_disabled not 31 -
twin battery_saver enable_datasaver battery_saver_constants datasaver_disabled not 31 -
twin battery_saver location_mode battery_saver_constants gps_mode same 31 -
twin battery_saver enable_quick_doze battery_saver_constants quick_doze_enabled same 31 -
twin battery_saver disable_vibration battery_saver_constants vibration_disabled same 31 -
twin battery_saver defer_full_backup battery_saver_constants fullbackup_deferred same 31 -
twin battery_saver defer_keyvalue_backup battery_saver_constants keyvaluebackup_deferred same 31 -
twin battery_saver disable_launch_boost battery_saver_constants launch_boost_disabled same 31 -
twin battery_saver disable_optional_sensors battery_saver_constants optional_sensors_disabled same 31 -
twin battery_saver soundtrigger_mode battery_saver_constants sound_trigger_mode soundtrigger 31 -
twin device_idle light_after_inactive_to device_idle_constants light_after_inactive_to same 31 34
twin device_idle light_pre_idle_to device_idle_constants light_pre_idle_to same 31 32
twin device_idle light_idle_to device_idle_constants light_idle_to same 31 34
twin device_idle light_idle_factor device_idle_constants light_idle_factor same 31 34
twin device_idle light_max_idle_to device_idle_constants light_max_idle_to same 31 34
twin device_idle light_idle_maintenance_min_budget device_idle_constants light_idle_maintenance_min_budget same 31 34
twin device_idle light_idle_maintenance_max_budget device_idle_constants light_idle_maintenance_max_budget same 31 34
twin device_idle min_light_maintenance_time device_idle_constants min_light_maintenance_time same 31 34
twin device_idle min_deep_maintenance_time device_idle_constants min_deep_maintenance_time same 31 34
twin device_idle inactive_to device_idle_constants inactive_to same 31 34
twin device_idle sensing_to device_idle_constants sensing_to same 31 34
twin device_idle locating_to device_idle_constants locating_to same 31 34
twin device_idle location_accuracy device_idle_constants location_accuracy same 31 34
twin device_idle motion_inactive_to device_idle_constants motion_inactive_to same 31 34
twin device_idle idle_after_inactive_to device_idle_constants idle_after_inactive_to same 31 34
twin device_idle idle_to device_idle_constants idle_to same 31 34
twin device_idle wait_for_unlock device_idle_constants wait_for_unlock same 31 34
twin device_idle quick_doze_delay_to device_idle_constants quick_doze_delay_to same 31 34
twin app_standby strong_usage_duration app_standby_constants strong_usage_duration same 31 -
twin app_standby notification_seen_duration app_standby_constants notification_seen_duration same 31 -
twin app_standby system_update_usage_duration app_standby_constants system_update_usage_duration same 31 -
twin app_standby prediction_timeout app_standby_constants prediction_timeout same 31 -
twin app_standby sync_adapter_duration app_standby_constants sync_adapter_duration same 31 -
twin app_standby exempted_sync_scheduled_nd_duration app_standby_constants exempted_sync_scheduled_nd_duration same 31 -
twin app_standby exempted_sync_start_duration app_standby_constants exempted_sync_start_duration same 31 -
twin app_standby system_interaction_duration app_standby_constants system_interaction_duration same 31 -
twin app_standby initial_foreground_service_start_duration app_standby_constants initial_foreground_service_start_duration same 31 -
twin app_standby trigger_quota_bump_on_notification_seen app_standby_constants trigger_quota_bump_on_notification_seen same 33 -
'
sim_constant_globals=(activity_manager_constants job_scheduler_constants job_scheduler_quota_controller_constants
	battery_saver_constants device_idle_constants app_standby_constants)
sim_constant_namespaces=(activity_manager jobscheduler battery_saver device_idle app_standby)

# Whether API level $1 lies in FIRST $2 to LAST $3.
sim_constant_read_on() { (($1 >= $2)) && [[ $3 = - || $1 -le $3 ]]; }

# Fills the associative array named $1 with a global's pairs, key to value,
# as the framework's KeyValueListParser reads them; returns 1 when one pair
# has no "=", which leaves every key at its default.
sim_parse_constants() {
	local -n into=$1
	local pair pairs=()
	into=()
	[[ -f $S/settings/global/$2 ]] || return 0
	IFS=, read -r -a pairs <"$S/settings/global/$2" || true
	for pair in "${pairs[@]}"; do
		[[ -n $pair ]] || continue
		[[ $pair = *=* ]] || { into=(); return 1; }
		into[${pair%%=*}]=${pair#*=}
	done
	return 0
}

# Sets REPLY to the line for a global setting: how many of its stored values
# the release $api reads from it.
sim_describe_global() {
	local setting=$1 kind name key first last n=0 reads=0
	local -A values=()
	sim_release_name "$api"
	name=$REPLY
	if ((api < 31)); then
		if [[ -f $S/settings/global/$setting ]]; then
			REPLY="$setting: read key by key on Android $name"
		else
			REPLY="$setting: unset"
		fi
		return 0
	fi
	if ! sim_parse_constants values "$setting"; then
		REPLY="$setting: a pair without \"=\" voids it: every key at its default"
		return 0
	fi
	while read -r kind name key first last; do
		[[ $kind = global && $name = "$setting" ]] || continue
		sim_constant_read_on "$api" "$first" "$last" || continue
		reads=1
		[[ -n ${values[$key]+set} ]] && n=$((n + 1))
	done <<<"$sim_constants_table"
	sim_release_name "$api"
	if ((!reads)); then
		REPLY="$setting: read by nothing on Android $REPLY"
	else
		REPLY="$setting: $n values in force"
		[[ $setting = battery_saver_constants ]] && REPLY+=' while battery saver is on'
	fi
	return 0
}

# Sets REPLY to the line for a device_config namespace: how many of the values
# of the stored globals are in force there, converted as the framework's
# renamed keys want them.
sim_describe_namespace() {
	local ns=$1 kind name key setting source conversion first last want stored n=0 reads=0
	local -A values=()
	local loaded=
	while read -r kind name key setting source conversion first last; do
		[[ $kind = twin && $name = "$ns" ]] || continue
		sim_constant_read_on "$api" "$first" "$last" || continue
		reads=1
		[[ $loaded = "$setting" ]] || { sim_parse_constants values "$setting" || true; loaded=$setting; }
		[[ -n ${values[$source]+set} ]] || continue
		want=${values[$source]}
		case $conversion in
		not) [[ $want = true ]] && want=false || want=true ;;
		soundtrigger) [[ ${values[sound_trigger_disabled]:-} = true ]] && want=2 ;;
		esac
		stored=
		[[ -f $S/device_config/$ns/$key ]] && stored=$(<"$S/device_config/$ns/$key")
		[[ -f $S/device_config/$ns/$key && $stored = "$want" ]] && n=$((n + 1))
	done <<<"$sim_constants_table"
	sim_release_name "$api"
	if ((!reads)); then
		REPLY="$ns: no value of the profiles takes effect there on Android $REPLY"
	else
		REPLY="$ns: $n values in force"
		[[ $ns = battery_saver ]] && REPLY+=' while battery saver is on'
	fi
	return 0
}

# Appends to the array named $1 the lines for the framework constants when
# any of them differs between the states $2 (pristine) and $3.
# A namespace's keys and values, one "key=value" a line, in name order.
sim_namespace_text() {
	local f
	for f in "$1/android/device_config/$2"/*; do
		[[ -f $f ]] && printf '%s=%s\n' "${f##*/}" "$(<"$f")"
	done
	return 0
}

sim_report_constants() {
	local -n out=$1
	local pristine=$2 state=$3 g ns changed=
	for g in "${sim_constant_globals[@]}"; do
		[[ "$(cat "$pristine/android/settings/global/$g" 2>/dev/null)" != "$(cat "$state/android/settings/global/$g" 2>/dev/null)" ]] && changed=1
	done
	for ns in "${sim_constant_namespaces[@]}"; do
		# an emptied namespace folder is no change: a restore deletes keys, not folders
		[[ "$(sim_namespace_text "$pristine" "$ns")" != "$(sim_namespace_text "$state" "$ns")" ]] && changed=1
	done
	[[ -n $changed ]] || return 0
	for g in "${sim_constant_globals[@]}"; do
		sim_describe_global "$g"
		out+=("$REPLY")
	done
	((api >= 31)) || return 0
	for ns in "${sim_constant_namespaces[@]}"; do
		sim_describe_namespace "$ns"
		out+=("$REPLY")
	done
}

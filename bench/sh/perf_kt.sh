# The performance kernel tweaks as a shell script would apply them: each node
# written with the shell's own redirection, then locked with chmod 0444.
# Run with mksh (no here-documents: the sandbox has no /tmp for them).
# Like korvane, it finds the WALT tunables that GKI kernels keep in
# /proc/sys/walt, gives a per-cluster margin one value per cluster boundary,
# and lowers each down margin before its up margin, which may not fall below it.
set -- \
	sched_child_runs_first 0 \
	sched_cfs_boost 1 \
	sched_tunable_scaling 0 \
	sched_autogroup_enabled 0 \
	perf_cpu_time_max_percent 25 \
	sched_boost 1 \
	sched_is_big_little 1 \
	sched_sync_hint_enable 1 \
	sched_latency_ns 12000000 \
	sched_min_granularity_ns 15000000 \
	sched_wakeup_granularity_ns 2000000 \
	sched_rt_runtime_us 980000 \
	sched_rt_period_us 1000000 \
	sched_migration_cost_ns 250000 \
	sched_min_util_for_colocation 0 \
	sched_downmigrate 90 \
	sched_upmigrate 95 \
	sched_group_downmigrate 90 \
	sched_group_upmigrate 95 \
	sched_boost_top_app 1 \
	sched_spill_nr_run 0 \
	sched_spill_load 600 \
	sched_init_task_load 100 \
	sched_mostly_idle_load 1 \
	sched_mostly_idle_nr_run 20 \
	sched_prefer_sync_wakee_to_waker 1 \
	sched_boost_bypass 0 \
	sched_energy_aware 0 \
	sched_tunable_scaling 1 \
	sched_capacity_margin_up 100 \
	sched_capacity_margin_down 20

echo "[INFO] Applying Performance Kernel Tweaks..."
boundaries=-1
for policy in /sys/devices/system/cpu/cpufreq/policy*; do
	[ -e "$policy" ] && boundaries=$((boundaries + 1))
done
written=0
while [ $# -gt 0 ]; do
	node=/proc/sys/kernel/$1 value=$2
	[ -e "$node" ] || [ ! -e "/proc/sys/walt/$1" ] || node=/proc/sys/walt/$1
	case $1 in
	sched_upmigrate | sched_downmigrate)
		# sysctl ends a read at any offset but 0, so mksh's byte-wise read
		# would get the first digit alone: cat reads the line whole.
		shown=$(cat "$node" 2>/dev/null)
		case $shown in
		*" "* | *"	"*)
			i=1 v=$value
			while [ $i -lt $boundaries ]; do v="$v $value" i=$((i + 1)); done
			value=$v
			;;
		esac
		;;
	esac
	shift 2
	if { print -nr -- "$value" >"$node"; } 2>/dev/null; then
		chmod 0444 "$node" 2>/dev/null
		written=$((written + 1))
	fi
done
echo "[OK] Applied $written kernel tweaks"

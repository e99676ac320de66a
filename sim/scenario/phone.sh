# The phone's moving parts for the scenario driver (bash, inside the sandbox):
# its processes, their cgroups and oom_score_adj, and its event log. Sourced
# by sim/scenario/driver; the verbs use these.
#
# A process is real (a sleeping program with the app's uid) so that its id is
# the phone's own and a signal reaches it; what the phone's /proc shows of it
# is made here in the state (/sim/kernel/proc/PID), as the kernel would show
# it. Its "threads" are real too: sleeping companions whose ids its
# /proc/PID/task lists, so every id is unique while it lives. The phone's own
# tools are not used here (they would count as calls): only this machine's,
# by their full path.

K=/sim/kernel   # the state's own files, behind the kernel file system
S=/sim/state    # the framework's state (the state's android/)

declare -A pid_of=() threads_of=() uid_of=()
proc_cmdline=()   # a command line for the next phone_proc_entry other than its name
proc_host_pid=    # its id on this machine, to lend what the phone lacks (driver --lend-host-proc)
api=$(<"$S/props/ro.build.version.sdk")

# The phone has a cpuset hierarchy (the no-cpuset phone has none: 7.x built
# without ENABLE_CPUSETS, or a kernel without CONFIG_CPUSETS).
phone_has_cpuset() { [[ -d /dev/cpuset ]]; }

# Sets REPLY to a package's uid from /data/system/packages.list; fails when
# the package is not installed.
phone_uid() {
	local name uid rest
	while read -r name uid rest; do
		[[ $name == "$1" ]] && { REPLY=$uid; return 0; }
	done </data/system/packages.list
	return 1
}

# Makes /proc/PID of a process in the state: cmdline, status, oom_score_adj
# and task/TID for each thread, all owned by its uid as procfs shows them.
# $1 pid, $2 name, $3 uid, $4 oom_score_adj, $5... the thread ids.
phone_proc_entry() {
	local pid=$1 name=$2 uid=$3 adj=$4 dir=$K/proc/.new.$1 comm=$2 tid
	shift 4
	# a process's comm holds 15 characters; zygote keeps the name's end
	((${#comm} > 15)) && comm=${comm: -15}
	mkdir -p "$dir/task"
	for tid in "$@"; do mkdir -p "$dir/task/$tid"; done
	if ((${#proc_cmdline[@]})); then
		printf '%s\0' "${proc_cmdline[@]}" >"$dir/cmdline"
	else
		printf '%s\0' "$name" >"$dir/cmdline"
	fi
	printf 'Name:\t%s\nUmask:\t0077\nState:\tS (sleeping)\nTgid:\t%s\nNgid:\t0\nPid:\t%s\nPPid:\t1\nTracerPid:\t0\nUid:\t%s\t%s\t%s\t%s\nGid:\t%s\t%s\t%s\t%s\nThreads:\t%s\n' \
		"$comm" "$pid" "$pid" "$uid" "$uid" "$uid" "$uid" "$uid" "$uid" "$uid" "$uid" "$#" >"$dir/status"
	printf '%s' "$adj" >"$dir/oom_score_adj"
	[[ -z $proc_host_pid ]] || printf '%s' "$proc_host_pid" >"$dir/.host"
	((uid == 0)) || /usr/bin/chown -R "$uid:$uid" "$dir"
	# whole at once: a look through the phone's /proc (whose kernel keeps what
	# it saw for a second) never meets it half made
	/usr/bin/mv -T "$dir" "$K/proc/$pid"
	printf '%s\n' "$pid" >>"$S/scenario_pids"
}

# The kernel forgets a process that ended: its /proc folder goes, and its
# threads leave their cgroups without any event.
phone_forget() {
	local pid=$1 file line kept changed
	[[ -d $K/proc/$pid ]] || return 0
	local -A gone=()
	for line in "$K/proc/$pid"/task/*; do gone[${line##*/}]=1; done
	gone[$pid]=1
	for file in "$K/cpuset/tasks" "$K/cpuset"/*/tasks; do
		[[ -f $file ]] || continue
		kept= changed=
		while IFS= read -r line; do
			if [[ -n ${gone[$line]:-} ]]; then changed=1; else kept+=$line$'\n'; fi
		done <"$file"
		[[ -z $changed ]] || printf '%s' "$kept" >"$file"
	done
	rm -rf "${K:?}/proc/$pid"
}

# Starts a process of the phone as `name` with that uid, oom_score_adj and
# number of threads; sets REPLY to its pid.
phone_start() {
	local name=$1 uid=$2 adj=$3 count=$4 tids=() i
	for ((i = 0; i < count; i++)); do
		/usr/bin/setpriv --reuid="$uid" --regid="$uid" --clear-groups /usr/bin/sleep infinity &
		tids+=("$!")
		disown "$!"
	done
	phone_proc_entry "${tids[0]}" "$name" "$uid" "$adj" "${tids[@]}"
	pid_of[$name]=${tids[0]} threads_of[$name]=${tids[*]} uid_of[$name]=$uid
	REPLY=${tids[0]}
}

# Ends a process the driver started (and its threads).
phone_stop() {
	local name=$1
	[[ -n ${pid_of[$name]:-} ]] || return 0
	kill -KILL ${threads_of[$name]} 2>/dev/null
	phone_forget "${pid_of[$name]}"
	unset "pid_of[$name]" "threads_of[$name]" "uid_of[$name]"
}

# lmkd writes what ActivityManager decided into /proc/PID/oom_score_adj.
phone_adj() {
	printf '%s' "$2" >"/proc/${pid_of[$1]}/oom_score_adj"
}

# Moves a process into a cpuset group as the release does (watch-service.md
# A1.4): up to 12 one write per thread id into `tasks` through a cached
# descriptor, from 13 one write of the pid into `cgroup.procs`. Sets REPLY to
# what was written where.
phone_move() {
	local group=$1 name=$2 dir=/dev/cpuset/$1 fd tid
	[[ $group == root ]] && dir=/dev/cpuset
	REPLY=
	phone_has_cpuset || return 0
	if ((api >= 33)); then
		printf '%s' "${pid_of[$name]}" >"$dir/cgroup.procs"
		REPLY="${pid_of[$name]} into $dir/cgroup.procs"
	else
		exec {fd}>>"$dir/tasks"
		for tid in ${threads_of[$name]}; do printf '%s' "$tid" >&"$fd"; done
		exec {fd}>&-
		REPLY="${threads_of[$name]// /,} into $dir/tasks"
	fi
}

# A vendor script's way: one thread into a group's tasks.
phone_move_thread() {
	phone_has_cpuset || return 0
	printf '%s' "$2" >"/dev/cpuset/$1/tasks"
}

# Appends a line to the event log (the binary "events" buffer, kept as text:
# epoch ms, the time as logcat shows it, pid, tid, tag, data), written by
# system_server as the framework's EventLog calls are.
phone_event() {
	local now=$EPOCHREALTIME sec ms
	sec=${now%.*} ms=${now#*.}
	ms=${ms:0:3}
	printf '%s%s\t%(%m-%d %H:%M:%S)T.%s\t%s\t%s\t%s\t%s\n' "$sec" "$ms" "$sec" "$ms" \
		"${pid_of[system_server]}" "${threads_of[system_server]##* }" "$1" "$2" >>"$S/events"
}

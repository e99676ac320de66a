# `stop` (SIGTERM), `kill` (SIGKILL) and `end` for the korvane the run started;
# `run ARGS...` runs another korvane command in the phone meanwhile (a user's
# --cpu_max, a --restore, a second --watch) and waits for it.

verb_stop() {
	korvane_alive || { REPLY="korvane is not running"; return 0; }
	kill -TERM "$korvane_pid"
	REPLY="SIGTERM to korvane (pid $korvane_pid)"
}

verb_kill() {
	korvane_alive || { REPLY="korvane is not running"; return 0; }
	kill -KILL "$korvane_pid"
	korvane_reap
	REPLY="SIGKILL to korvane (pid $korvane_pid): status $korvane_status"
}

verb_end() {
	if korvane_alive; then
		kill -TERM "$korvane_pid"
		if ! wait_for_exit "$korvane_pid" "$stop_timeout"; then
			kill -KILL "$korvane_pid"
			korvane_reap
			REPLY="SIGTERM to korvane (pid $korvane_pid); still running after ${stop_timeout}s: SIGKILL, status $korvane_status"
		else
			korvane_reap
			REPLY="SIGTERM to korvane (pid $korvane_pid): status $korvane_status"
		fi
	else
		korvane_reap
		REPLY="korvane had ended: status $korvane_status"
	fi
	scenario_over=1
}

verb_run() {
	local pid status line out=/sim/tmp/run.out
	start_in_phone "$@" </dev/null >"$out" 2>&1
	pid=$REPLY
	if wait_for_exit "$pid" "$run_timeout"; then
		wait "$pid"
		status=$?
		REPLY="korvane $* (pid $pid): status $status"
	else
		kill -KILL "$pid"
		wait "$pid" 2>/dev/null
		REPLY="korvane $* (pid $pid): still running after ${run_timeout}s: SIGKILL"
	fi
	phone_forget "$pid"
	while IFS= read -r line; do REPLY+=$'\n'"  | $line"; done <"$out"
}

scenario_verb stop verb_stop 0 0 'stop'
scenario_verb kill verb_kill 0 0 'kill'
scenario_verb end verb_end 0 0 'end'
scenario_verb run verb_run 1 -1 'run KORVANE_ARGS...'

# Prelude sourced by every simulated device tool (mksh). It records the call in
# the invocation log, then applies a failure a test has asked for. The tool's
# bookkeeping lives under /sim/state, outside every tree the helper walks.

S=/sim/state
tool=${0##*/}

# One call per line: program, then each argument after a tab. Backslash, tab
# and newline are escaped so that every argument can be recovered byte for byte.
sim_escape() {
	REPLY=${1//\\/\\\\}
	REPLY=${REPLY//$'\t'/\\t}
	REPLY=${REPLY//$'\n'/\\n}
}

sim_log_call() {
	typeset line=$tool a
	for a in "$@"; do
		sim_escape "$a"
		line+=$'\t'$REPLY
	done
	print -r -- "$line" >>"$S/calls"
}

# Descriptors above 2 that survived the exec into this tool: ones without
# close-on-exec that the tool did not open itself (its script file is
# close-on-exec). Logged only when a test switched tracing on.
sim_trace_fds() {
	typeset f n l leaked=
	for f in /sim/hostproc/$$/fd/*; do
		n=${f##*/}
		((n > 2)) || continue
		[[ -r /sim/hostproc/$$/fdinfo/$n ]] || continue
		while IFS= read -r l; do
			[[ $l = flags:* ]] || continue
			# octal flags; 02000000 is O_CLOEXEC
			typeset -i8 flags=8#${l##*[	 ]}
			((flags & 8#2000000)) || leaked+=" $n"
		done <"/sim/hostproc/$$/fdinfo/$n"
	done
	print -r -- "$tool:$leaked" >>"$S/fds"
}

sim_count_call() {
	typeset -i count=0
	[[ -f $S/counts/$tool ]] && count=$(<"$S/counts/$tool")
	count=count+1
	[[ -d $S/counts ]] || /system/bin/toybox mkdir -p "$S/counts"
	print -r -- "$count" >"$S/counts/$tool"
	REPLY=$count
}

# A rule is a folder fail/<tool>/<name>/ holding `code` (exit status) or
# `signal`, and optionally `call` (fail only on that call, counting from 1),
# `match` (fail only when the arguments joined by blanks contain this text) and
# `stderr`. A `signal` rule (a name such as KILL, or a number) sends it to the
# tool's caller, korvane, and the tool exits (with `code`, else 1) having done
# nothing: a crash at the moment of a call.
sim_apply_failures() {
	typeset call=$1 joined r code
	shift
	joined="$*"
	for r in "$S/fail/$tool"/*; do
		[[ -f $r/code || -f $r/signal ]] || continue
		if [[ -f $r/call ]] && [[ $(<"$r/call") != "$call" ]]; then
			continue
		fi
		if [[ -f $r/match ]] && [[ $joined != *"$(<"$r/match")"* ]]; then
			continue
		fi
		code=1
		[[ -f $r/code ]] && code=$(<"$r/code")
		[[ -f $r/signal ]] && kill -"$(<"$r/signal")" "$PPID"
		[[ -f $r/stderr ]] && /system/bin/toybox cat "$r/stderr" >&2
		exit "$code"
	done
}

sim_log_call "$@"
[[ -e $S/trace_fds ]] && sim_trace_fds
sim_count_call
# A phone's tools take tens of milliseconds to answer: sim/run --tool-latency.
[[ -f $S/tool_latency ]] && /system/bin/toybox sleep "$(<"$S/tool_latency")"
sim_apply_failures "$REPLY" "$@"

# Every tool answers as the phone's release.
. /sim/tools/lib/android.sh
sim_api
api=$REPLY

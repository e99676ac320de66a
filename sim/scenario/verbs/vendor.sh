# `write PATH VALUE`: a root vendor service (a perf HAL, a thermal engine)
# writes a node, with the kernel's rules; logged in android/outside as
# sim/run --vendor-write logs it.

verb_write() {
	local error outcome=ok
	if ! error=$( { printf '%s' "$2" >"$1"; } 2>&1); then
		outcome="refused: ${error##*: }"
	fi
	printf 'vendor write %s %s: %s\n' "$1" "$2" "$outcome" >>"$S/outside"
	REPLY="$1 = $2: $outcome"
}

scenario_verb write verb_write 2 2 'write PATH VALUE'

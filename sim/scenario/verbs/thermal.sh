# `thermal STATUS [skin C]`: the phone heats up or cools down. STATUS is the
# thermal service's (0-6 or its word: none light moderate severe critical
# emergency shutdown); the skin is in °C (unchanged when not given). The
# zones and `dumpsys thermalservice` follow the state's thermal file, which
# this rewrites whole (a rename: a reader never sees half of it); from severe
# on, the CPU and GPU cooling devices hold a step, as the thermal HAL's
# throttling engages them. The HAL, its readiness and an override stay. The
# phone keeps the last heat after the scenario, as it keeps a pulled charger.

thermal_words=(none light moderate severe critical emergency shutdown)

# Sets REPLY to the status number of a word or number; fails on neither.
thermal_status_number() {
	local i
	for i in "${!thermal_words[@]}"; do
		[[ $1 == "$i" || $1 == "${thermal_words[i]}" ]] && { REPLY=$i; return 0; }
	done
	return 1
}

verb_thermal_check() {
	thermal_status_number "$1" || { REPLY="thermal takes a status 0-6 or ${thermal_words[*]}: $1"; return 1; }
	(($# == 1)) && return 0
	[[ $# -eq 3 && $2 == skin && $3 =~ ^-?[0-9]+(\.[0-9]+)?$ ]] || { REPLY="thermal takes STATUS [skin C]: $*"; return 1; }
}

verb_thermal() {
	local status key value text= skin=
	thermal_status_number "$1"
	status=$REPLY
	(($# == 3)) && skin=$3
	# (a phone without the file has the sim's default HAL)
	[[ -f $S/thermal ]] && while read -r key value; do
		case $key in
		status | cooling) ;;
		skin) [[ -n $skin ]] || skin=$value ;;
		'' | '#'*) ;;
		*) text+="$key $value"$'\n' ;;
		esac
	done <"$S/thermal"
	text+="status $status"$'\n'"skin ${skin:-33.5}"$'\n'"cooling $((status >= 3))"$'\n'
	printf '%s' "$text" >"$S/thermal.new"
	/usr/bin/mv -f "$S/thermal.new" "$S/thermal"
	REPLY="thermal status ${thermal_words[status]}, skin ${skin:-33.5} °C, cooling step $((status >= 3))"
}

scenario_verb thermal verb_thermal 1 3 'thermal STATUS [skin C]'

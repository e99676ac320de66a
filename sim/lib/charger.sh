# What the phone's charger switches do, in words, for sim/diff: each switch
# of the profile's charger file that a run turned on, with its effect
# ("bypass: battery idle", "input cut: discharging", "no effect").

# Appends to the array named $1 a line per switch now on in state $3 and not in pristine $2.
sim_report_charger() {
	local -n out=$1
	local pristine=$2 state=$3 key path active normal effect rest now was text
	[[ -f $state/charger ]] || return 0
	while read -r key path active normal effect rest; do
		[[ $key == switch ]] || continue
		active=${active//+/ }
		now=$(cat "$state$path" 2>/dev/null) was=$(cat "$pristine$path" 2>/dev/null)
		[[ $now == "$active" && $was != "$active" ]] || continue
		case $effect in
		bypass) text='bypass: battery idle' ;;
		input_cut) text='input cut: discharging' ;;
		*) text='no effect' ;;
		esac
		[[ " $rest " == *" latch "* ]] && text+=' (latches until the cable is replugged)'
		out+=("charger $path: $text")
	done <"$state/charger"
}

# The game manager's listener on the game_overlay namespace runs later, on its
# own thread: a `cmd game mode` right after a put may still see the old value.
# Off unless android/overlay_lag holds N: then after a put or delete of a
# package's overlay the next N `cmd game` calls see the value from before it.
# The game manager's view waits in overlay_seen/PKG (absent: no overlay) with
# the calls left in overlay_seen/PKG.lag; game_overlay.sh reads it.

# Keeps the game manager's current view of PKG before its overlay changes.
sim_overlay_lag_hold() {
	typeset pkg=$1 n seen=$S/overlay_seen
	[[ -f $S/overlay_lag ]] || return 0
	n=$(<"$S/overlay_lag")
	[[ -d $seen ]] || /system/bin/toybox mkdir -p "$seen"
	if [[ ! -f $seen/$pkg.lag ]]; then
		/system/bin/toybox rm -f "$seen/$pkg"
		[[ -f $S/device_config/game_overlay/$pkg ]] && /system/bin/toybox cp "$S/device_config/game_overlay/$pkg" "$seen/$pkg"
	fi
	print -n "$n" >"$seen/$pkg.lag"
}

# One `cmd game` call: each held view is used once more, or dropped when its
# calls are used up (the listener has run).
sim_overlay_lag_tick() {
	typeset f n
	for f in "$S"/overlay_seen/*.lag; do
		[[ -f $f ]] || continue
		n=$(<"$f")
		if ((n <= 0)); then
			/system/bin/toybox rm -f "$f" "${f%.lag}"
		else
			print -n $((n - 1)) >"$f"
		fi
	done
}

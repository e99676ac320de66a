# What the simulated framework makes of its state, in words, for sim/diff and
# sim/effect: per game the stored overlay and what is in force, Play services
# and doze, and whether SurfaceFlinger would start. The rules themselves live
# in sim/tools/lib, shared with the device tools.
source "$sim_dir/tools/lib/android.sh"
source "$sim_dir/tools/lib/game_overlay.sh"
source "$sim_dir/tools/lib/refresh_rate.sh"
source "$sim_dir/lib/constants.sh"
source "$sim_dir/lib/charger.sh"

# Points the rules at a state folder and reads its release into $api.
sim_effects_for() {
	S=$1/android
	sim_api
	api=$REPLY
}

# The panel's rate from the profile's SurfaceFlinger dump; empty if unknown.
sim_panel_rate() {
	local line
	REPLY=
	[[ -f $S/dumpsys/SurfaceFlinger.template ]] || return 0
	while IFS= read -r line; do
		[[ $line = '@refresh-rate '* ]] && REPLY=${line#@refresh-rate }
	done <"$S/dumpsys/SurfaceFlinger.template"
	return 0
}

# Sets REPLY to a game's line: its overlay and what is in force.
sim_describe_game() {
	local text effects=
	sim_game_effect "$1"
	if ((g_has_overlay)); then text="overlay \"$g_overlay\""; else text='no overlay'; fi
	if ((!g_game)); then
		REPLY="$text${g_notes:+ stored, ignored: $g_notes}"
		return 0
	fi
	[[ $g_notes = 'ignored: '* ]] && text+=" stored, $g_notes" && g_notes=
	sim_mode_name "$g_mode"
	text+="; mode $g_mode ($REPLY): "
	[[ -n $g_ds ]] && effects="downscale $g_ds"
	[[ -n $g_fps ]] && effects+="${effects:+, }fps $g_fps"
	if [[ -n $effects ]]; then
		text+="$effects in force"
		[[ -n $g_ds ]] && text+=" (the downscale from the game's next start)"
	else
		text+='no downscale, no FPS cap'
	fi
	sim_panel_rate
	if [[ -n $g_fps && $REPLY = +([0-9]) ]] && ((REPLY % g_fps)); then
		g_notes+="${g_notes:+; }SurfaceFlinger does not throttle to $g_fps: the $REPLY Hz panel is no multiple of it"
	fi
	REPLY="$text${g_notes:+; $g_notes}"
}

# Sets REPLY to a package's standing with doze.
sim_describe_doze() {
	local text restricted=
	sim_doze_state "$1"
	if sim_listed "$S/deviceidle/sysconfig" "$1"; then
		((sys_listed)) && text='on the system allow-list' || text='removed from the system allow-list'
	else
		text='not on the system allow-list'
	fi
	((user_listed)) && text+=', on the user allow-list' || text+=', not on the user allow-list'
	((deep_doze)) || text+=', doze disabled'
	((doze_applies)) && text+=': doze applies' || text+=': doze does not apply'
	[[ -f $S/appops/$1/RUN_ANY_IN_BACKGROUND ]] && restricted=$(<"$S/appops/$1/RUN_ANY_IN_BACKGROUND")
	if [[ $restricted = deny || $restricted = ignore ]] && ((api >= 28)); then
		if ((sys_listed || user_listed)); then
			text+="; RUN_ANY_IN_BACKGROUND $restricted does not bite while allow-listed"
		else
			text+="; background restricted (RUN_ANY_IN_BACKGROUND $restricted)"
		fi
	fi
	REPLY=$text
}

# Sets REPLY to what SurfaceFlinger makes of the debug.sf.* properties at its next start.
sim_describe_surfaceflinger() {
	if ((api < 28)); then
		REPLY='Android 7 and 8 read none of these properties'
		return 0
	fi
	sim_sf_abort
	if [[ -n $REPLY ]]; then
		REPLY="would abort at its next start, and at every restart: $REPLY"
	else
		REPLY='starts normally'
	fi
}

# Prints sim/diff's "Effects" section for what changed between two states.
sim_report_effects() {
	local pristine=$1 state=$2 pkg dir lines=() changed_sf=
	local -A games=()
	for dir in device_config/game_overlay game_mode game_set game_downscale; do
		for pkg in "$pristine/android/$dir"/* "$state/android/$dir"/*; do
			[[ -f $pkg ]] && games[${pkg##*/}]=1
		done
	done
	sim_effects_for "$state"
	for pkg in $(printf '%s\n' "${!games[@]}" | sort); do
		for dir in device_config/game_overlay game_mode game_set game_downscale; do
			if [[ "$(cat "$pristine/android/$dir/$pkg" 2>/dev/null)" != "$(cat "$state/android/$dir/$pkg" 2>/dev/null)" ]]; then
				sim_describe_game "$pkg"
				lines+=("game $pkg: $REPLY")
				break
			fi
		done
	done
	if ! diff -rq "$pristine/android/deviceidle" "$state/android/deviceidle" >/dev/null 2>&1 ||
		! diff -rq "$pristine/android/appops" "$state/android/appops" >/dev/null 2>&1; then
		sim_describe_doze com.google.android.gms
		lines+=("Play services: $REPLY")
	fi
	for pkg in "$pristine/android/props"/debug.sf.* "$state/android/props"/debug.sf.*; do
		[[ -f $pkg ]] || continue
		[[ "$(cat "$pristine/android/props/${pkg##*/}" 2>/dev/null)" != "$(cat "$state/android/props/${pkg##*/}" 2>/dev/null)" ]] && changed_sf=1
	done
	if [[ -n $changed_sf ]]; then
		sim_describe_surfaceflinger
		lines+=("SurfaceFlinger: $REPLY")
	fi
	for pkg in peak_refresh_rate min_refresh_rate; do
		if [[ "$(cat "$pristine/android/settings/system/$pkg" 2>/dev/null)" != "$(cat "$state/android/settings/system/$pkg" 2>/dev/null)" ]]; then
			sim_refresh_rate
			lines+=("display: ${REPLY:-?} Hz${rr_note:+; refresh-rate settings: $rr_note}")
			break
		fi
	done
	sim_report_constants lines "$pristine" "$state"
	sim_report_charger lines "$pristine" "$state"
	((${#lines[@]})) || return 0
	echo "Effects:"
	printf '  %s\n' "${lines[@]}"
}

# The game manager's reading of a game: its game_overlay value (device_config),
# what `cmd game set` stored, its game mode, and from those the downscale and
# FPS cap in force. The one place these rules live: the fakes (mksh), sim/diff
# and sim/effect (bash) all call it. Needs android.sh and $api.
# (GameManagerService.java: GamePackageConfiguration, GameModeConfiguration.)

# Android 12 and 13 match downscale factors as these exact strings.
sim_downscale_grid=' 0.3 0.35 0.4 0.45 0.5 0.55 0.6 0.65 0.7 0.75 0.8 0.85 0.9 '
# Android 13 caps only at these rates (its FrameRate enum).
sim_fps_list=' 30 40 45 60 90 120 '

# Parses one entry ("key=value" pieces at ","), as KeyValueListParser does:
# keys and values trimmed, the last of a key wins, a piece without "=" drops
# the entry. Sets en_mode (0 when absent or not a number), en_ds/en_has_ds,
# en_fps/en_has_fps (en_old_fps: a release without fps saw one), and en_bad
# (why the entry is dropped; empty if it stands).
sim_overlay_entry() {
	typeset rest=$1 piece key val
	en_mode=0 en_has_mode=0 en_ds= en_has_ds=0 en_fps= en_has_fps=0 en_old_fps=0 en_bad=
	while [[ -n $rest ]]; do
		piece=${rest%%,*}
		if [[ $rest = *,* ]]; then rest=${rest#*,}; else rest=; fi
		if [[ $piece != *=* ]]; then
			en_bad="piece without '=': \"$piece\""
			return
		fi
		sim_trim "${piece%%=*}"; key=$REPLY
		sim_trim "${piece#*=}"; val=$REPLY
		case $key in
		mode)
			en_has_mode=1 en_mode=0
			# the sign apart: bash, unlike mksh, takes no sign after "10#"
			if [[ $val = ?([+-])+([0-9]) && ${#val} -lt 9 ]]; then
				en_mode=$((10#${val#[+-]}))
				[[ $val = -* ]] && en_mode=$((-en_mode))
			fi
			;;
		downscaleFactor) en_ds=$val en_has_ds=1 ;;
		# fps, useAngle and loadingBoost came with Android 13; 12 knows none
		fps) if ((api >= 33)); then en_fps=$val en_has_fps=1; else en_old_fps=1; fi ;;
		esac
	done
	if ((!en_has_mode)); then
		en_bad='entry without mode'
	elif ((en_mode != 2 && en_mode != 3 && (api < 33 || en_mode != 1))); then
		en_bad="mode $en_mode takes no entry"
	elif ((api < 33 && en_has_ds)) && [[ $sim_downscale_grid != *" $en_ds "* ]]; then
		en_bad="downscaleFactor $en_ds is off the grid"
	fi
}

# Parses a whole value (entries at ":", empty ones skipped) for one mode.
# Sets ov_modes (" 2 3": modes with an entry that stands), ov_hit and, for
# MODE, the ov_ds/ov_has_ds and ov_fps/ov_has_fps of its last standing entry,
# and ov_dropped (why entries were dropped, "; " between).
sim_overlay_parse() {
	typeset rest=$1 want=$2 entry
	ov_modes= ov_hit=0 ov_ds= ov_has_ds=0 ov_fps= ov_has_fps=0 ov_old_fps=0 ov_dropped=
	while :; do
		entry=${rest%%:*}
		if [[ -n $entry ]]; then
			sim_overlay_entry "$entry"
			if [[ -n $en_bad ]]; then
				ov_dropped+="${ov_dropped:+; }$en_bad"
			else
				[[ $ov_modes = *" $en_mode "* ]] || ov_modes+=" $en_mode "
				if ((en_mode == want)); then
					ov_hit=1 ov_ds=$en_ds ov_has_ds=$en_has_ds ov_fps=$en_fps ov_has_fps=$en_has_fps ov_old_fps=$en_old_fps
				fi
			fi
		fi
		[[ $rest = *:* ]] || break
		rest=${rest#*:}
	done
}

# A decimal Java's Float.parseFloat reads, above 0.
sim_positive_number() {
	[[ $1 = ?(+)@(+([0-9])?(.*([0-9]))|.+([0-9]))?([eE]?([+-])+([0-9])) ]] || return 1
	typeset mantissa=${1%%[eE]*}
	[[ $mantissa = *[1-9]* ]]
}

# Sets REPLY to the file of the overlay value the game manager has for a
# package: the stored one, or while its listener lags the one from before
# (overlay_lag.sh).
sim_overlay_file() {
	REPLY=$S/device_config/game_overlay/$1
	[[ -f $S/overlay_seen/$1.lag ]] && REPLY=$S/overlay_seen/$1
	return 0
}

# Sets, for a package: g_game (1 when the game manager handles it),
# g_overlay/g_has_overlay (the stored value), g_modes (available modes, " 1 2 4"),
# g_mode (in force; 0 is unsupported), g_ds and g_fps (in force; empty: none)
# and g_notes (why stored values do nothing, "; " between).
sim_game_effect() {
	typeset pkg=$1 set_value= stored= m mode_entry=
	g_game=0 g_overlay= g_has_overlay=0 g_modes= g_mode=0 g_ds= g_fps= g_notes=
	sim_overlay_file "$pkg"
	if [[ -f $REPLY ]]; then
		g_has_overlay=1
		g_overlay=$(<"$REPLY")
	fi
	if ((api < 31)); then
		((g_has_overlay)) && g_notes='no game manager before Android 12'
		return 0
	fi
	if ! sim_is_game "$pkg"; then
		((g_has_overlay)) && g_notes='not a game'
		return 0
	fi
	g_game=1
	[[ -f $S/game_set/$pkg ]] && set_value=$(<"$S/game_set/$pkg")
	sim_overlay_parse "$g_overlay" 0
	[[ -n $ov_dropped ]] && g_notes="ignored: $ov_dropped"
	m=$ov_modes
	if [[ -n $set_value ]]; then
		sim_overlay_parse "$set_value" 0
		m+=$ov_modes
	fi
	# standard comes with any other mode (always from 14), custom from 14
	[[ -n $m ]] || ((api >= 34)) && m+=' 1 '
	((api >= 34)) && m+=' 4 '
	for stored in 1 2 3 4; do
		[[ $m = *" $stored "* ]] && g_modes+=" $stored"
	done
	stored=1
	[[ -f $S/game_mode/$pkg ]] && stored=$(<"$S/game_mode/$pkg")
	if [[ "$g_modes " = *" $stored "* ]]; then
		g_mode=$stored
	elif [[ "$g_modes " = *' 1 '* ]]; then
		g_mode=1
	fi
	# Android 12's `cmd game downscale` turns the app's downscaling on in any mode
	if ((api < 33)) && [[ -f $S/game_downscale/$pkg ]]; then
		g_ds=$(<"$S/game_downscale/$pkg")
		g_notes+="${g_notes:+; }downscale set by cmd game downscale"
		return 0
	fi
	((g_mode)) || return 0
	# what `cmd game set` made for the mode in force wins over the overlay
	sim_overlay_parse "$set_value" "$g_mode"
	if ((ov_hit)); then
		mode_entry=set
	else
		sim_overlay_parse "$g_overlay" "$g_mode"
		((ov_hit)) && mode_entry=overlay
	fi
	if [[ -z $mode_entry ]]; then
		((g_has_overlay)) && g_notes+="${g_notes:+; }no entry for mode $g_mode"
		return 0
	fi
	if ((ov_has_ds)); then
		if ((api < 34)) && [[ $sim_downscale_grid != *" $ov_ds "* ]]; then
			g_notes+="${g_notes:+; }downscaleFactor $ov_ds is off the grid: no downscale"
		elif ((api >= 34)) && ! sim_positive_number "$ov_ds"; then
			g_notes+="${g_notes:+; }downscaleFactor $ov_ds is not a number above 0: no downscale"
		else
			g_ds=$ov_ds
		fi
	fi
	((ov_old_fps)) && g_notes+="${g_notes:+; }fps is unknown before Android 13: no cap"
	if ((ov_has_fps)); then
		if ((api < 34)) && [[ $sim_fps_list != *" $ov_fps "* ]]; then
			g_notes+="${g_notes:+; }fps $ov_fps is not one of 30, 40, 45, 60, 90, 120: no cap"
		elif ((api >= 34)) && ! [[ $ov_fps = ?(+)+([0-9]) && ${#ov_fps} -lt 10 && $ov_fps = *[1-9]* ]]; then
			g_notes+="${g_notes:+; }fps $ov_fps is not a whole number above 0: no cap"
		else
			g_fps=$((10#${ov_fps#+}))
		fi
	fi
	[[ $mode_entry = set ]] && g_notes+="${g_notes:+; }mode $g_mode set by cmd game set"
	return 0
}

sim_mode_name() {
	case $1 in
	1) REPLY=standard ;; 2) REPLY=performance ;; 3) REPLY=battery ;; 4) REPLY=custom ;; *) REPLY=unsupported ;;
	esac
}

# The game manager's dump of one game (also `cmd game list` and
# `list-configs`): its configuration per mode, or a line saying it has none.
# What `cmd game set` made is applied over the overlay's entries from 14 on
# (copyAndApplyOverride); 13 shows it in place of the whole overlay.
sim_game_interventions() {
	typeset pkg=$1 value= m modes= scaling fps
	sim_overlay_file "$pkg"
	[[ -f $REPLY ]] && value=$(<"$REPLY")
	if [[ -f $S/game_set/$pkg ]]; then
		((api < 34)) && value=
		value+=":$(<"$S/game_set/$pkg")"
	fi
	sim_overlay_parse "$value" 0
	if [[ -z $ov_modes ]]; then
		REPLY=" No intervention found for package $pkg"
		return 0
	fi
	for m in 1 2 3; do
		[[ $ov_modes = *" $m "* ]] || continue
		sim_overlay_parse "$value" $m
		# 13 keeps the texts; 14 parses them, with -1.0 and 0 for none
		if ((api < 34)); then scaling=1.0 fps=; else scaling=-1.0 fps=0; fi
		((ov_has_ds)) && scaling=$ov_ds
		((ov_has_fps)) && fps=$ov_fps
		modes+="${modes:+, }$m=[Game Mode:$m,Scaling:$scaling,Use Angle:false,Fps:$fps,Loading Boost Duration:-1]"
	done
	REPLY="[Name:$pkg Modes: {$modes}]"
}

# `cmd game`, sourced by cmd: the game manager's shell command per release
# (GameManagerShellCommand.java). 12/12L: mode, downscale; 13: mode, set,
# reset, list; 14 and 15 add list-modes, list-configs and custom mode 4; 15
# checks first that the package is an installed game.
. /sim/tools/lib/game_overlay.sh
. /sim/tools/lib/overlay_lag.sh
sim_overlay_lag_tick

typeset -u mode_upper
game_help='Game manager (game) commands:
  help
      Print this help text.
  mode [--user <USER_ID>] [1|2|3|standard|performance|battery] <PACKAGE_NAME>
      Set app to run in the specified game mode, if supported.'

case $verb:$api in
'':* | help:* | -h:*) show_help "$game_help" ;;
mode:* | downscale:3[12] | set:3[3-9] | reset:3[3-9] | list:33 | list-modes:3[4-9] | list-configs:3[4-9]) ;;
*) unknown_command "$verb" ;;
esac
shift
[[ $1 = --user ]] && shift 2

# Android 15 refuses a package that is not an installed game, before anything else.
check_game() {
	((api >= 35)) || return 0
	if ! sim_installed "$1"; then
		refuse "Package $1 is not found for user 0"
	elif ! sim_is_game "$1"; then
		refuse "Package $1 is not of game type, to use the game mode commands, it must specify game category in the manifest as android:appCategory=\"game\""
	fi
}

valid_downscale() {
	if ((api < 34)); then [[ $sim_downscale_grid = *" $1 "* ]]; else sim_positive_number "$1"; fi
}

valid_fps() {
	if ((api < 34)); then [[ $sim_fps_list = *" $1 "* ]]; else [[ $1 = +([0-9]) ]]; fi
}

case $verb in
mode)
	(($# >= 1)) || missing_argument mode
	(($# >= 2)) || missing_argument "$1"
	typed=$1 pkg=$2
	check_game "$pkg"
	case $typed in
	1 | standard) m=1 ;;
	2 | performance) m=2 ;;
	3 | battery) m=3 ;;
	4 | custom) ((api >= 34)) && m=4 || refuse "Invalid game mode: $typed" ;;
	*) refuse "Invalid game mode: $typed" ;;
	esac
	sim_game_effect "$pkg"
	# 12/13 read an overlay for any package and then set nothing for one that
	# is not a game, silently
	((api < 34 && !g_game && g_has_overlay)) && result 0
	# standard (from 13) and custom need no configuration; 12 offers standard
	# only beside another mode
	if ((m == 2 || m == 3 || (m == 1 && api < 33))) && [[ "$g_modes " != *" $m "* ]]; then
		refuse "Game mode: $typed not supported by $pkg"
	fi
	((g_game)) && print -n $m >"$S/game_mode/$pkg"
	if ((api >= 34)); then
		sim_mode_name $m
		mode_upper=$REPLY
		print -r -- "Set game mode to \`$mode_upper\` for user \`0\` in game \`$pkg\`"
	fi
	;;
downscale)
	# 12's per-app switch for the downscaling compat changes
	(($# >= 1)) || missing_argument downscale
	(($# >= 2)) || missing_argument "$1"
	ratio=$1 pkg=$2
	if [[ $ratio = disable ]]; then
		/system/bin/toybox rm -f "$S/game_downscale/$pkg"
		print -r -- "Disable downscaling for $pkg."
	elif [[ $sim_downscale_grid = *" $ratio "* ]]; then
		[[ -d $S/game_downscale ]] || /system/bin/toybox mkdir -p "$S/game_downscale"
		print -nr -- "$ratio" >"$S/game_downscale/$pkg"
		print -r -- "Enable downscaling ratio for $pkg to $ratio"
	else
		refuse "Invalid scaling ratio '$ratio'"
	fi
	;;
set)
	# an override of one mode's configuration, winning over the overlay
	m=2 entry=
	while [[ $1 = --* ]]; do
		(($# >= 2)) || missing_argument "$1"
		case $1 in
		--mode)
			case $2 in 2 | performance) m=2 ;; 3 | battery) m=3 ;; *) refuse "Invalid game mode: $2" ;; esac
			;;
		--downscale)
			[[ $2 = disable ]] || valid_downscale "$2" || refuse "Invalid scaling ratio '$2'"
			[[ $2 = disable ]] || entry+=",downscaleFactor=$2"
			;;
		--fps)
			valid_fps "$2" || refuse "Invalid frame rate '$2'"
			entry+=",fps=$2"
			;;
		*) refuse "Invalid option '$1'" ;;
		esac
		shift 2
	done
	(($# >= 1)) || missing_argument set
	pkg=$1
	check_game "$pkg"
	if sim_is_game "$pkg"; then
		[[ -d $S/game_set ]] || /system/bin/toybox mkdir -p "$S/game_set"
		print -nr -- "mode=$m$entry" >"$S/game_set/$pkg"
	fi
	;;
reset)
	# drops what `set` made and applies the current mode again; the overlay stays
	[[ $1 = --mode ]] && shift 2
	(($# >= 1)) || missing_argument reset
	check_game "$1"
	/system/bin/toybox rm -f "$S/game_set/$1"
	# a mode that only the override offered is gone with it: the game falls back
	if [[ -f $S/game_mode/$1 ]]; then
		sim_game_effect "$1"
		[[ $g_mode = "$(<"$S/game_mode/$1")" ]] || /system/bin/toybox rm -f "$S/game_mode/$1"
	fi
	;;
list | list-configs)
	(($# >= 1)) || missing_argument "$verb"
	check_game "$1"
	sim_game_interventions "$1"
	# GameManagerShellCommand: the package, then the configuration's own
	# text, which starts on a new line
	print -r -- "$1 interventions: "
	print -r -- "$REPLY"
	;;
list-modes)
	(($# >= 1)) || missing_argument "$verb"
	check_game "$1"
	sim_game_effect "$1"
	names=
	for m in $g_modes; do
		sim_mode_name $m
		names+="${names:+,}$REPLY"
	done
	sim_mode_name $g_mode
	# GameManagerShellCommand.runListGameModes
	print -r -- "$1 current mode: $REPLY, available game modes: [$names]"
	;;
esac
result 0

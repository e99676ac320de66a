# `cmd device_config`, sourced by cmd (Android 10+; DeviceConfigService.java):
# put replaces a key's whole value, get prints it or "null", delete and list.
ns=$2 key=$3
[[ $ns != */* && $key != */* ]] || refuse 'Invalid namespace or key'
store=$S/device_config/$ns

# The game manager listens to its namespace: a game whose stored mode is no
# longer available falls back to its default.
settle_game() {
	[[ $ns = game_overlay && -f $S/game_mode/$key ]] || return 0
	. /sim/tools/lib/game_overlay.sh
	sim_game_effect "$key"
	[[ $g_mode = "$(<"$S/game_mode/$key")" ]] || /system/bin/toybox rm -f "$S/game_mode/$key"
}

# DeviceConfigService's shell command takes namespace, key, value and a
# closing "default" in turn; a word beyond those is refused at once, a verb
# short of its words once they are read. Both on standard error.
typeset -i most=0
case $verb in put) most=5 ;; get | delete) most=3 ;; list) most=2 ;; esac
# the sync verbs, on the releases that know them
case $verb in
set_sync_disabled_for_tests) ((api >= 31)) && most=2 ;;
is_sync_disabled_for_tests) ((api == 31 || api == 32)) && most=1 ;;
get_sync_disabled_for_tests) ((api >= 33)) && most=1 ;;
esac
if ((most && $# > most)) || [[ $verb = put && $# = 5 && $5 != default ]]; then
	print -ru2 -- 'Too many arguments'
	result 255
fi

# Android 16 hands a write to the updatable config module, which keeps
# read-only (aconfig) flags as built: it says so on standard output and the
# command still succeeds. The profile names such flags, one NS/KEY a line.
read_only_flag() {
	((api >= 36)) && [[ $verb = put || $verb = delete ]] && sim_listed "$S/read_only_flags" "$ns/$key"
}
if read_only_flag; then
	print -r -- 'Error: cannot write read-only flag'
	result 0
fi

case $verb:$# in
put:4 | put:5)
	# a fifth word is "default", which the store ignores
	[[ -d $store ]] || /system/bin/toybox mkdir -p "$store"
	[[ $ns = game_overlay ]] && . /sim/tools/lib/overlay_lag.sh && sim_overlay_lag_hold "$key"
	print -nr -- "$4" >"$store/$key"
	settle_game
	;;
get:3)
	if [[ -f $store/$key ]]; then
		print -r -- "$(<"$store/$key")"
	else
		print null
	fi
	;;
delete:3)
	if [[ -f $store/$key ]]; then
		[[ $ns = game_overlay ]] && . /sim/tools/lib/overlay_lag.sh && sim_overlay_lag_hold "$key"
		/system/bin/toybox rm -f "$store/$key"
		print -r -- "Successfully deleted $key from $ns"
		settle_game
	else
		print -r -- "Failed to delete $key from $ns"
	fi
	;;
# Server sync (DeviceConfigService, 12+): SettingsProvider keeps persistent as
# the global setting device_config_sync_disabled (1; the other modes store 0)
# and until_reboot in memory (android/device_config_sync). The mode reads with
# get_sync_disabled_for_tests from 13; 12/12L have only
# is_sync_disabled_for_tests, which says true or false.
set_sync_disabled_for_tests:2)
	((api >= 31)) || { print -ru2 -- "Invalid command: $verb"; result 255; }
	case $2 in
	none | persistent | until_reboot) ;;
	*) print -ru2 -- "Invalid sync disabled mode: $2"; result 255 ;;
	esac
	[[ -d $S/settings/global ]] || /system/bin/toybox mkdir -p "$S/settings/global"
	if [[ $2 = persistent ]]; then print -n 1; else print -n 0; fi >"$S/settings/global/device_config_sync_disabled"
	if [[ $2 = until_reboot ]]; then print -n until_reboot >"$S/device_config_sync"; else /system/bin/toybox rm -f "$S/device_config_sync"; fi
	;;
is_sync_disabled_for_tests:1 | get_sync_disabled_for_tests:1)
	known=0
	case $verb in
	is_*) ((api == 31 || api == 32)) && known=1 ;;
	get_*) ((api >= 33)) && known=1 ;;
	esac
	((known)) || { print -ru2 -- "Invalid command: $verb"; result 255; }
	sim_sync_mode
	if ((api >= 33)); then print -r -- "$REPLY"; elif [[ $REPLY = none ]]; then print false; else print true; fi
	;;
list:1 | list:2)
	for f in "$S/device_config"/${ns:-*}/*; do
		[[ -f $f ]] || continue
		if [[ -n $ns ]]; then
			print -r -- "${f##*/}=$(<"$f")"
		else
			f2=${f%/*}
			print -r -- "${f2##*/}/${f##*/}=$(<"$f")"
		fi
	done
	;;
:* | help:* | -h:*) show_help 'Device Config (device_config) commands: get NAMESPACE KEY; put NAMESPACE KEY VALUE [default]; delete NAMESPACE KEY; list [NAMESPACE]' ;;
# DeviceConfig's shell command refuses on standard error
get:* | put:* | delete:* | list:* | *_sync_disabled_for_tests:*) print -ru2 -- 'Bad arguments'; result 255 ;;
*) print -ru2 -- "Invalid command: $verb"; result 255 ;;
esac
result 0

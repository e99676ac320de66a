# `cmd deviceidle`, sourced by cmd (DeviceIdleController.java): the user
# allow-list (deviceidle/whitelist/PKG), the system allow-list from the phone's
# sysconfig (deviceidle/sysconfig) less what sys-whitelist removed
# (deviceidle/sys_removed/PKG, kept across reboots), and doze on or off.

# Sets REPLY to "deep", "light" or both for disable/enable's argument.
idle_modes() {
	case $1 in
	'' | all) REPLY='deep light' ;;
	deep | light) REPLY=$1 ;;
	*) REPLY= ;;
	esac
}

list_line() {
	sim_uid "$2"
	print -r -- "$1$2,$REPLY"
}

case $verb in
'' | help | -h) show_help 'Device idle controller (deviceidle) commands: whitelist [+|-|=]PKG; sys-whitelist [reset|+PKG|-PKG]; disable|enable [light|deep|all]' ;;
whitelist) ;;
sys-whitelist) ((api >= 28)) || unknown_command "$verb" ;;
disable | enable)
	idle_modes "$2"
	if [[ -z $REPLY ]]; then
		print -r -- "Unknown idle mode: $2"
		result 0
	fi
	for m in $REPLY; do
		typeset -u name=${m:0:1}
		if [[ $verb = disable && ! -e $S/deviceidle/${m}_disabled ]]; then
			: >"$S/deviceidle/${m}_disabled"
			print -r -- "$name${m#?} idle mode disabled"
		elif [[ $verb = enable && -e $S/deviceidle/${m}_disabled ]]; then
			/system/bin/toybox rm -f "$S/deviceidle/${m}_disabled"
			print -r -- "$name${m#?} idle mode enabled"
		fi
	done
	result 0
	;;
*) unknown_command "$verb" ;;
esac
shift

if (($# == 0)); then
	# the lists: the system's except-idle entries (which hold the
	# allow-list's too), system entries, then user entries
	if [[ $verb = whitelist && -f $S/deviceidle/sysconfig ]]; then
		while IFS= read -r p; do
			[[ -n $p && ! -e $S/deviceidle/sys_removed/$p ]] && list_line system-excidle, "$p"
		done <"$S/deviceidle/sysconfig"
	fi
	if [[ -f $S/deviceidle/sysconfig ]]; then
		while IFS= read -r p; do
			[[ -n $p && ! -e $S/deviceidle/sys_removed/$p ]] || continue
			if [[ $verb = whitelist ]]; then list_line system, "$p"; else list_line '' "$p"; fi
		done <"$S/deviceidle/sysconfig"
	fi
	if [[ $verb = whitelist ]]; then
		for f in "$S/deviceidle/whitelist"/*; do
			[[ -e $f ]] && list_line user, "${f##*/}"
		done
	fi
	result 0
fi

if [[ $verb = sys-whitelist && $1 = reset ]]; then
	/system/bin/toybox rm -rf "$S/deviceidle/sys_removed"
	result 0
fi

for arg; do
	op=${arg:0:1} pkg=${arg#?}
	if [[ $verb = whitelist ]]; then
		case $op in
		+)
			if sim_installed "$pkg"; then
				: >"$S/deviceidle/whitelist/$pkg"
				print -r -- "Added: $pkg"
			else
				print -r -- "Unknown package: $pkg"
			fi
			;;
		-)
			if [[ -e $S/deviceidle/whitelist/$pkg ]]; then
				/system/bin/toybox rm -f "$S/deviceidle/whitelist/$pkg"
				print -r -- "Removed: $pkg"
			fi
			;;
		=) [[ -e $S/deviceidle/whitelist/$pkg ]] && print true || print false ;;
		*) refuse "Package must be prefixed with +, -, or =: $arg" ;;
		esac
		continue
	fi
	case $op in
	-)
		if sim_listed "$S/deviceidle/sysconfig" "$pkg" && [[ ! -e $S/deviceidle/sys_removed/$pkg ]]; then
			[[ -d $S/deviceidle/sys_removed ]] || /system/bin/toybox mkdir -p "$S/deviceidle/sys_removed"
			: >"$S/deviceidle/sys_removed/$pkg"
			print -r -- "Removed $pkg"
		fi
		;;
	+)
		if [[ -e $S/deviceidle/sys_removed/$pkg ]]; then
			/system/bin/toybox rm -f "$S/deviceidle/sys_removed/$pkg"
			print -r -- "Restored $pkg"
		fi
		;;
	*) refuse "Package must be prefixed with + or - $arg" ;;
	esac
done
result 0

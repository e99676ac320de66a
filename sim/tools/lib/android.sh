# What the simulated framework knows about the phone, for the device tools
# (mksh, in the sandbox, S=/sim/state) and for sim/diff and sim/effect (bash,
# on this machine, S=STATE/android). Plain functions over the files under $S;
# results come back in REPLY or in variables named in each function's comment.

# The release every tool answers as: ro.build.version.sdk. A phone always has
# it; should a test remove or garble it, the tools answer as the newest release.
sim_api_latest=36
sim_api() {
	typeset v=
	[[ -f $S/props/ro.build.version.sdk ]] && v=$(<"$S/props/ro.build.version.sdk")
	if [[ -z $v || $v = *[!0-9]* || ${#v} -gt 3 ]]; then
		REPLY=$sim_api_latest
	else
		REPLY=$((10#$v))
	fi
}

# A service exists when the profile lists it and the release has it: no
# device_config or thermal service before Android 10 (29), no game manager
# before 12 (31).
sim_has_service() {
	typeset s found=
	case $1 in
	device_config | thermalservice) ((api >= 29)) || return 1 ;;
	game) ((api >= 31)) || return 1 ;;
	esac
	[[ -f $S/services ]] || return 1
	while IFS= read -r s; do
		[[ $s = "$1" ]] && found=1
	done <"$S/services"
	[[ -n $found ]]
}

# Sets REPLY to the device_config sync mode, as SettingsProvider reads it:
# until_reboot while memory holds it, else persistent while the global
# setting device_config_sync_disabled holds anything but 0, else none.
sim_sync_mode() {
	typeset stored=
	[[ -f $S/settings/global/device_config_sync_disabled ]] && stored=$(<"$S/settings/global/device_config_sync_disabled")
	if [[ -f $S/device_config_sync ]]; then
		REPLY=until_reboot
	elif [[ -n $stored && $stored != 0 ]]; then
		REPLY=persistent
	else
		REPLY=none
	fi
}

# Sets REPLY to $1 without leading and trailing blanks and tabs.
sim_trim() {
	REPLY=$1
	while [[ $REPLY = [' 	']* ]]; do REPLY=${REPLY#?}; done
	while [[ $REPLY = *[' 	'] ]]; do REPLY=${REPLY%?}; done
}

# Whether a line of a list file is exactly $2.
sim_listed() {
	typeset l
	[[ -f $1 ]] || return 1
	while IFS= read -r l; do
		[[ $l = "$2" ]] && return 0
	done <"$1"
	return 1
}

# Whether a package is installed; a test's package list may pad its lines.
sim_installed() {
	typeset l
	[[ -f $S/packages && -n $1 ]] || return 1
	while IFS= read -r l; do
		[[ $l = "$1" ]] && return 0
		[[ $l = *[' 	']* ]] || continue
		sim_trim "$l"
		[[ $REPLY = "$1" ]] && return 0
	done <"$S/packages"
	return 1
}

# A game is an installed package of category game; which ones are is the
# profile's list `games`.
sim_is_game() { sim_installed "$1" && sim_listed "$S/games" "$1"; }

# An app's uid: 10000 plus its line in the package list (1-based), as stable
# as a phone's; 0 when it is not installed.
sim_uid() {
	typeset l
	typeset -i n=0
	REPLY=0
	[[ -f $S/packages ]] || return 1
	while IFS= read -r l; do
		n=n+1
		[[ $l = "$1" ]] && { REPLY=$((10000 + n)); return 0; }
	done <"$S/packages"
	return 1
}

# Doze and Play services. Sets sys_listed (on the system allow-list: in the
# phone's sysconfig and not removed), user_listed, deep_doze (enabled) and
# doze_applies (1 or 0) for a package.
sim_doze_state() {
	sys_listed=0 user_listed=0 deep_doze=1 doze_applies=0
	if sim_listed "$S/deviceidle/sysconfig" "$1" && [[ ! -e $S/deviceidle/sys_removed/$1 ]]; then
		sys_listed=1
	fi
	[[ -e $S/deviceidle/whitelist/$1 ]] && user_listed=1
	[[ -e $S/deviceidle/deep_disabled ]] && deep_doze=0
	((deep_doze && !sys_listed && !user_listed)) && doze_applies=1
	return 0
}

# Whether SurfaceFlinger aborts at its next start: from Android 11 on, when
# debug.sf.use_phase_offsets_as_durations is true and any debug.sf.*phase_offset_ns
# reads as a number other than -1. REPLY is the reason, empty when it starts.
sim_sf_abort() {
	typeset f name v sign
	REPLY=
	((api >= 30)) || return 0
	v=
	[[ -f $S/props/debug.sf.use_phase_offsets_as_durations ]] && v=$(<"$S/props/debug.sf.use_phase_offsets_as_durations")
	case $v in 1 | y | yes | on | true) ;; *) return 0 ;; esac
	for f in "$S/props"/debug.sf.*phase_offset_ns; do
		[[ -f $f ]] || continue
		name=${f##*/} v=$(<"$f")
		# an empty property reads as its default, -1; any other text as atoi
		# reads it (blanks, a sign, the digits that follow, 0 for none)
		[[ -n $v ]] || continue
		sim_trim "$v"
		sign= v=$REPLY
		[[ $v = [+-]* ]] && sign=${v:0:1} v=${v#?}
		v=${v%%[!0-9]*}
		while [[ $v = 0?* ]]; do v=${v#0}; done
		[[ $sign$v = -1 ]] && continue
		[[ -z $v || $v = 0 || $sign = + ]] && sign=
		REPLY="$name is set to $sign${v:-0} but expecting duration"
		return 0
	done
	REPLY=
	return 0
}

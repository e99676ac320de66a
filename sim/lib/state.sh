# Device state folders: sourced by sim/run and sim/diff.
#
# A state folder holds the phone as the helper sees it:
#   sys/ proc/ data/ storage/ dev_block/   the trees bound over /sys, /proc, /data, /storage, /dev/block
#   cpuset/                                the cpuset hierarchy at /dev/cpuset (absent: the phone has none)
#   system_bin/                            /system/bin: toybox, mksh and the simulated framework tools
#   android/                               the framework's state, bound at /sim/state: settings, props,
#                                          device_config, game modes, and the invocation log
#   profile                                the name of the device profile it was made from
#   kernel                                 the version of its kernel, whose node rules the phone follows
#   family                                 its kernel family, whose scheduler tunables it has (qc-hmp, ...)
#   hz                                     its kernel's tick rate (CONFIG_HZ), when not 250
#   api                                    the API level it runs as, when not the profile's (see release.sh)
# A profile under sim/devices/NAME has the same folders, laid over sim/base, and
# a `layout` file (as sim/base does) for what git cannot hold: empty folders and modes.

sim_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$sim_dir/lib/release.sh"
sim_trees=(sys proc cpuset data storage dev_block system_bin android)

sim_die() {
	echo "sim: $*" >&2
	exit 2
}

# Applies layout files: lines "dir MODE PATH" and "mode MODE GLOB", relative to
# the state. Paths are gathered first so that each mode costs one chmod.
sim_apply_layout() {
	local state=$1 file kind mode path m
	local -A by_mode=()
	local dirs=()
	for file in "${@:2}"; do
		[[ -f $file ]] || continue
		while read -r kind mode path; do
			case $kind in
			dir) dirs+=("$path"); by_mode[$mode]+=" $path" ;;
			mode) by_mode[$mode]+=" $path" ;;
			'' | '#'*) ;;
			*) sim_die "bad layout line in $file: $kind $mode $path" ;;
			esac
		done <"$file"
	done
	(
		cd "$state" || exit
		((${#dirs[@]} == 0)) || mkdir -p "${dirs[@]}"
		shopt -s nullglob
		for m in "${!by_mode[@]}"; do
			# unquoted on purpose: the paths are globs
			set -- ${by_mode[$m]}
			(($# == 0)) || chmod "$m" "$@"
		done
	)
}

# Builds the pristine state of a device from sim/base and its profile.
sim_build_pristine() {
	local device=$1 state=$2 layer t trees
	mkdir -p "$state"
	for layer in "$sim_dir/base" "$sim_dir/devices/$device"; do
		trees=()
		for t in "${sim_trees[@]}"; do
			[[ -d $layer/$t ]] && trees+=("$layer/$t")
		done
		((${#trees[@]})) && cp -a "${trees[@]}" "$state/"
		for t in kernel family hz charger; do
			if [[ -f $layer/$t ]]; then cp "$layer/$t" "$state/$t"; fi
		done
	done
	# git keeps only the x bit; what a checkout gets depends on its umask
	chmod -R u=rwX,go=rX "$state"
	sim_apply_layout "$state" "$sim_dir/base/layout" "$sim_dir/devices/$device/layout"
	echo "$device" >"$state/profile"
	sim_write_packages_list "$state"
}

# /data/system/packages.list as PackageManager writes it, from the installed
# packages: "NAME UID DEBUGGABLE DATA_DIR SEINFO GIDS", the uid as sim_uid
# gives it (10000 + the package's line), each app targeting the phone's
# release. Rewritten only when it changes.
sim_write_packages_list() {
	local state=$1 name n=0 api seinfo=default text=
	[[ -f $state/android/packages ]] || return 0
	# a phone whose release a test removed answers as the newest (android.sh)
	api=$(cat "$state/android/props/ro.build.version.sdk" 2>/dev/null) || true
	[[ $api =~ ^[0-9]{1,3}$ ]] || api=36
	# from 8.0 the seinfo names the app's target release
	((api < 26)) || seinfo+=":targetSdkVersion=$api"
	while IFS= read -r name; do
		n=$((n + 1))
		[[ -n $name ]] || continue
		text+="$name $((10000 + n)) 0 /data/user/0/$name $seinfo 3003"$'\n'
	done <"$state/android/packages"
	mkdir -p "$state/data/system"
	[[ -f $state/data/system/packages.list && $(<"$state/data/system/packages.list")$'\n' == "$text" ]] && return 0
	printf '%s' "$text" >"$state/data/system/packages.list"
}

# Sets REPLY to a folder holding the pristine state of a device, at API level
# $2 if given. Building it takes a dozen processes, so it is kept in a cache
# named after the profile's files (path, time, mode, size): an edit of the
# profile makes a new one.
sim_pristine() {
	local device=$1 api=${2:-} key cache tmp
	[[ -d $sim_dir/devices/$device ]] || sim_die "no such device profile: $device (have: $(ls "$sim_dir/devices" | tr '\n' ' '))"
	[[ -z $api ]] || sim_check_api "$api"
	key=$(find "$sim_dir/base" "$sim_dir/devices/$device" "$sim_dir/lib" -printf '%p %T@ %m %s\n' | cksum)
	cache=$sim_scratch/korvane-sim-pristine/$device-${key%% *}${api:+-api$api}
	if [[ ! -d $cache ]]; then
		mkdir -p "${cache%/*}"
		tmp=$(mktemp -d "$cache.XXXXXX")
		sim_build_pristine "$device" "$tmp/state"
		[[ -z $api ]] || sim_set_api "$tmp/state" "$api"
		# another run may have built it meanwhile; either copy will do
		mv -T "$tmp/state" "$cache" 2>/dev/null || true
		rm -rf "$tmp"
		# drop caches of older edits, leaving any a concurrent run may still copy
		find "${cache%/*}" -maxdepth 1 -name "$device-*" ! -name "${cache##*/}" -mmin +60 -exec rm -rf {} + 2>/dev/null || true
	fi
	REPLY=$cache
}

# Fills an empty state folder with the pristine state of a device, at API
# level $3 if given.
sim_init_state() {
	sim_pristine "$1" "${3:-}"
	mkdir -p "$2"
	cp -a "$REPLY/." "$2/"
}

# Each boot of a phone has an id of its own.
sim_new_boot_id() {
	local id
	read -r id </proc/sys/kernel/random/uuid
	printf '%s' "$id" >"$1/proc/sys/kernel/random/boot_id"
}

# Reboots the phone of a state folder: the kernel's nodes come back as the
# profile has them, with a new boot id; runtime properties other than
# persist.* are gone (the build's own, such as
# debug.sf.use_phase_offsets_as_durations, are set again at boot) and so is a
# `deviceidle disable`; everything else in android/ and data/ stays.
sim_reboot_state() {
	local state=$1
	sim_pristine "$(<"$state/profile")"
	rm -rf "$state/sys" "$state/proc" "$state/qos"
	cp -a "$REPLY/sys" "$REPLY/proc" "$state/"
	# the cgroups are made anew at boot, empty of the old boot's processes
	if [[ -d $state/cpuset ]]; then
		rm -rf "$state/cpuset"
		cp -a "$REPLY/cpuset" "$state/"
	fi
	# only persist.* properties are on disk; ro.* are the build's (and the
	# release sim/run --api chose); every other runtime property is gone, and
	# the build's own come back
	(
		shopt -s nullglob
		for p in "$state"/android/props/*; do
			[[ ${p##*/} = persist.* || ${p##*/} = ro.* ]] || rm -f "$p"
		done
		for p in "$REPLY"/android/props/*; do
			[[ ${p##*/} = persist.* || ${p##*/} = ro.* ]] || cp -a "$p" "$state/android/props/"
		done
	)
	# DeviceIdleController keeps `deviceidle disable` in memory only
	rm -f "$state/android/deviceidle/deep_disabled" "$state/android/deviceidle/light_disabled"
	# sync disabled until_reboot is held in memory too
	[[ $(cat "$state/android/device_config_sync" 2>/dev/null) = until_reboot ]] && rm -f "$state/android/device_config_sync"
	sim_new_boot_id "$state"
}

# Plugs the phone's charger in (usb; again when it was in) or pulls it out
# (none), noting when in charger_state; a pull resets the switches whose
# driver clears them then (pull_clears in the profile's charger file).
sim_set_charger() {
	local state=$1 plug=$2 key path active normal rest records=
	if [[ -f $state/charger_state ]]; then
		records=$(grep -v '^plug ' "$state/charger_state" || true)
	fi
	if [[ $plug == none && -f $state/charger ]]; then
		while read -r key path active normal rest; do
			[[ $key == switch && " $rest " == *" pull_clears "* ]] || continue
			printf '%s' "${normal//+/ }" >"$state$path"
		done <"$state/charger"
	fi
	{
		printf 'plug %s %s\n' "$plug" "$(date +%s%3N)"
		[[ -z $records ]] || printf '%s\n' "$records"
	} >"$state/charger_state"
}

# The server pushing device_config namespace $2 with the KEY=VALUE pairs after
# it (SettingsState.setSettingsLocked): from Android 12 every key of the
# namespace it did not send is deleted, unless sync is disabled, which drops the
# push; before 12 the keys sent are only set. Logged in android/outside.
sim_sync_device_config() {
	local state=$1 ns=${2:-} api mode pair store
	shift 2 || sim_die "usage: --sync-device-config NS [KEY=VALUE ...]"
	[[ -n $ns && $ns != */* ]] || sim_die "not a namespace: $ns"
	api=$(<"$state/android/props/ro.build.version.sdk")
	((api >= 29)) || sim_die "Android $api has no device_config"
	for pair; do
		[[ $pair = ?*=* && ${pair%%=*} != */* ]] || sim_die "not KEY=VALUE: $pair"
	done
	mode=$(cat "$state/android/device_config_sync" 2>/dev/null || echo none)
	if ((api >= 31)) && [[ $mode != none ]]; then
		printf 'server sync of %s: dropped, sync disabled (%s)\n' "$ns" "$mode" >>"$state/android/outside"
		return 0
	fi
	store=$state/android/device_config/$ns
	((api >= 31)) && rm -rf "$store"
	mkdir -p "$store"
	for pair; do
		printf '%s' "${pair#*=}" >"$store/${pair%%=*}"
	done
	printf 'server sync of %s: %d keys pushed\n' "$ns" "$#" >>"$state/android/outside"
}

# Prints a time given as Nms or Ns (decimals allowed) in seconds, as sleep takes it.
sim_seconds() {
	local n
	if [[ $1 =~ ^[0-9]+ms$ ]]; then
		n=$((10#${1%ms}))
		printf '%d.%03d' "$((n / 1000))" "$((n % 1000))"
	elif [[ $1 =~ ^[0-9]+(\.[0-9]+)?s$ ]]; then
		printf '%s' "${1%s}"
	else
		sim_die "not a time: $1 (e.g. 25ms or 0.5s)"
	fi
}

sim_state_is_empty() {
	local entries
	[[ -e $1 ]] || return 0
	entries=$(shopt -s nullglob dotglob; echo "$1"/*)
	[[ -z $entries ]]
}

# Scratch states and the pristine cache go to memory when it can: creating a few
# hundred small files on a disk costs far more than the run itself.
sim_scratch=${TMPDIR:-/tmp}
[[ -d /dev/shm && -w /dev/shm ]] && sim_scratch=/dev/shm

sim_temp_dir() {
	mktemp -d "$sim_scratch/korvane-sim.XXXXXX"
}

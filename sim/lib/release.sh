# Android releases of a simulated phone: sourced by state.sh.
#
# A profile's android/props/ro.build.version.sdk names its release, and the
# device tools answer as that release does. `sim/run --api N` makes a state
# answer as another release: it sets ro.build.version.sdk and
# ro.build.version.release, and notes N in the state's `api` file so that
# sim/diff compares against the profile's pristine state at the same release.
# Services follow from the level (no device_config before 29, no game manager
# before 31), so nothing else changes.

# Sets REPLY to ro.build.version.release for an API level.
sim_release_name() {
	case $1 in
	24) REPLY=7.0 ;; 25) REPLY=7.1.2 ;; 26) REPLY=8.0.0 ;; 27) REPLY=8.1.0 ;;
	28) REPLY=9 ;; 29) REPLY=10 ;; 30) REPLY=11 ;; 31 | 32) REPLY=12 ;;
	33) REPLY=13 ;; 34) REPLY=14 ;; 35) REPLY=15 ;; 36) REPLY=16 ;;
	*) return 1 ;;
	esac
}

sim_check_api() {
	sim_release_name "$1" || sim_die "no Android release has API level $1 (24 to 36)"
}

# Makes the state folder $1 answer as API level $2.
sim_set_api() {
	sim_check_api "$2"
	printf %s "$2" >"$1/android/props/ro.build.version.sdk"
	printf %s "$REPLY" >"$1/android/props/ro.build.version.release"
	echo "$2" >"$1/api"
	sim_write_packages_list "$1"
}

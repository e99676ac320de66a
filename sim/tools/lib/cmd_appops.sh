# `cmd appops`, sourced by cmd (AppOpsService.java, its Shell): set and get a
# package's op modes, kept as appops/PKG/OP. Its errors go to standard error.

# Op names a release knows, with the API level that brought them.
ops='COARSE_LOCATION:24 FINE_LOCATION:24 GPS:24 VIBRATE:24 READ_CONTACTS:24 WRITE_CONTACTS:24
CAMERA:24 RECORD_AUDIO:24 POST_NOTIFICATION:24 WAKE_LOCK:24 SYSTEM_ALERT_WINDOW:24 WRITE_SETTINGS:24
GET_USAGE_STATS:24 RUN_IN_BACKGROUND:24 REQUEST_INSTALL_PACKAGES:26 PICTURE_IN_PICTURE:26
RUN_ANY_IN_BACKGROUND:28 START_FOREGROUND:28 MANAGE_EXTERNAL_STORAGE:30 SCHEDULE_EXACT_ALARM:31'

error() {
	print -ru2 -- "Error: $1"
	result 255
}

known_op() {
	typeset entry
	for entry in $ops; do
		[[ ${entry%:*} = "$1" ]] && ((api >= ${entry#*:})) && return 0
	done
	return 1
}

case $verb in
'' | help | -h) show_help 'AppOps service (appops) commands: set [--user <USER_ID>] <PACKAGE | UID> <OP> <MODE>; get [--user <USER_ID>] <PACKAGE | UID> [<OP>]' ;;
set | get) ;;
*) unknown_command "$verb" ;;
esac
shift
[[ $1 = --user ]] && shift 2
pkg=$1 op=$2
[[ -n $pkg ]] || error 'Package name not specified.'
if [[ $verb = set || -n $op ]]; then
	[[ -n $op ]] || error 'Operation not specified.'
	known_op "$op" || error "Unknown operation string: $op"
fi
sim_installed "$pkg" || error "No UID for $pkg in user 0"

if [[ $verb = set ]]; then
	mode=$3
	[[ -n $mode ]] || error 'Mode not specified.'
	case $mode in
	allow | ignore | deny | default) ;;
	foreground) ((api >= 28)) || error "Mode $mode is not valid" ;;
	*) error "Mode $mode is not valid" ;;
	esac
	if [[ $mode = default ]]; then
		# the service prunes an op back at its default that holds no access times
		/system/bin/toybox rm -f "$S/appops/$pkg/$op"
		/system/bin/toybox rmdir "$S/appops/$pkg" 2>/dev/null
	else
		[[ -d $S/appops/$pkg ]] || /system/bin/toybox mkdir -p "$S/appops/$pkg"
		print -nr -- "$mode" >"$S/appops/$pkg/$op"
	fi
	result 0
fi

# get: the ops set for the package (or the one asked for); none leaves the default
found=
for f in "$S/appops/$pkg"/${op:-*}; do
	[[ -f $f ]] || continue
	print -r -- "${f##*/}: $(<"$f")"
	found=1
done
[[ -n $found ]] || print 'No operations.'
result 0

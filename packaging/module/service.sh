#!/system/bin/sh
# Started by the root manager at every boot: once Android has booted, applies
# the mode stored with `korvane --on_boot <mode>`, its output in boot.log, and
# then starts `korvane --watch`, which ends at once unless the configuration
# has per_app (its lines go to watch.log).
# Boot-loop guard: a marker stands while the mode is applied; a marker still
# there at the next boot means that run never finished (the phone hung or
# restarted), so this boot skips it and says why. `korvane --on_boot` clears it.
dir=/data/adb/korvane
stored=$dir/boot
marker=$dir/boot.running
log=$dir/boot.log

until [ "$(getprop sys.boot_completed)" = 1 ]; do
	sleep 2
done

# The per-app service runs only in a boot that the guard lets through.
start_watch() {
	/system/bin/korvane --watch >/dev/null 2>&1 &
}

if [ ! -f "$stored" ]; then
	start_watch
	exit 0
fi
mode=$(cat "$stored")

if [ -e "$marker" ]; then
	echo "[WARN] Skipped $mode at this boot: the run at an earlier boot did not finish." \
		"Run 'korvane --on_boot $mode' to try again." >"$log"
	exit 0
fi

# The marker must be on disk before anything can hang the phone.
: >"$marker"
sync
/system/bin/korvane --auto_setup "$mode" >"$log" 2>&1
rm -f "$marker"
start_watch

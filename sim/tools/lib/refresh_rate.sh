# The display's refresh rate as the framework sets it from the system settings
# peak_refresh_rate and min_refresh_rate (DisplayModeDirector): Android 7-9
# read neither, 10 reads the peak only, 11 and later both. The display runs at
# the fastest mode of the panel within [min, peak]; a range that no mode meets
# is ignored. The panel's rate is the profile's "@refresh-rate" line; its modes
# are 60, 90 and 120 Hz up to that rate. Shared by dumpsys (mksh) and sim/diff
# (bash); needs $S and $api.

# A decimal rate in hundredths of a hertz, or empty when it is no number.
sim_centihertz() {
	typeset whole=${1%%.*} frac=
	REPLY=
	[[ $1 = *.* ]] && frac=${1#*.}
	[[ $whole = +([0-9]) && ${#whole} -lt 6 && ( -z $frac || $frac = +([0-9]) ) ]] || return 0
	frac=${frac}00
	REPLY=$((10#$whole * 100 + 10#${frac:0:2}))
}

# Sets REPLY to the rate the display runs at, in whole Hz, rr_panel to the
# panel's own rate and rr_note to why stored keys change nothing (empty when
# they act or none is stored).
sim_refresh_rate() {
	typeset line panel= peak= min= m best= ceiling floor
	REPLY= rr_note= rr_panel=
	[[ -f $S/dumpsys/SurfaceFlinger.template ]] || return 0
	while IFS= read -r line; do
		[[ $line = '@refresh-rate '* ]] && panel=${line#@refresh-rate }
	done <"$S/dumpsys/SurfaceFlinger.template"
	REPLY=$panel rr_panel=$panel
	[[ $panel = +([0-9]) ]] || return 0
	[[ -f $S/settings/system/peak_refresh_rate ]] && peak=$(<"$S/settings/system/peak_refresh_rate")
	[[ -f $S/settings/system/min_refresh_rate ]] && min=$(<"$S/settings/system/min_refresh_rate")
	[[ -n $peak$min ]] || return 0
	if ((api < 29)); then
		if ((api < 26)); then m=7; elif ((api < 28)); then m=8; else m=9; fi
		rr_note="ignored on Android $m"
		return 0
	fi
	if ((api < 30)) && [[ -n $min ]]; then
		rr_note='min_refresh_rate is read from Android 11'
		min=
	fi
	ceiling=999999 floor=0
	if [[ -n $peak ]]; then sim_centihertz "$peak"; [[ -n $REPLY ]] && ceiling=$REPLY; fi
	if [[ -n $min ]]; then sim_centihertz "$min"; [[ -n $REPLY ]] && floor=$REPLY; fi
	for m in 60 90 120 "$panel"; do
		((m <= panel && m * 100 <= ceiling && m * 100 >= floor)) && { [[ -z $best ]] || ((m > best)); } && best=$m
	done
	if [[ -z $best ]]; then
		rr_note="${rr_note:+$rr_note; }no display mode of the $panel Hz panel meets it: ignored"
		REPLY=$panel
	else
		REPLY=$best
	fi
	return 0
}

# `screen on|off`: the power button. Going to sleep, the top app becomes
# top-sleeping (background, adj 0) and SystemUI goes to restricted; the event
# log gets power_screen_state once going to sleep (or waking) has finished
# (Notifier), and `dumpsys power` shows the new state. Waking brings both back
# and the app in front resumes.

screen_is_on() {
	local state=on
	[[ -f $S/screen ]] && state=$(<"$S/screen")
	[[ $state == on ]]
}

verb_screen_check() {
	[[ $1 == on || $1 == off ]] || { REPLY="screen takes on or off: $1"; return 1; }
}

verb_screen() {
	local what
	if { [[ $1 == on ]] && screen_is_on; } || { [[ $1 == off ]] && ! screen_is_on; }; then
		REPLY="the screen is already $1"
		return 0
	fi
	if [[ $1 == off ]]; then
		shade=
		phone_move restricted "$systemui_package"
		what="systemui $REPLY"
		phone_move background "$front"
		what+="; $front $REPLY"
		printf off >"$S/screen"
		phone_event power_screen_state '[0,2,0,0,0]'
	else
		printf on >"$S/screen"
		phone_event power_screen_state '[1,0,0,0,125]'
		phone_move foreground "$systemui_package"
		what="systemui $REPLY"
		apps_resumed "$front"
		phone_move top-app "$front"
		what+="; $front $REPLY"
	fi
	REPLY=$what
}

scenario_verb screen verb_screen 1 1 'screen on|off'

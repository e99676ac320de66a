# `top PKG`, `top launcher`, `top systemui`: what is in front.
#
# An app comes to the front as ActivityManager moves it: the resumed-activity
# line in the event log, oom_score_adj 0 (lmkd), then top-app (phone_move, as
# the release writes it); the app it replaces gets the previous app's adj and
# goes to background. `launcher` is the home screen, an app as any other.
# `systemui` is the shade: SystemUI (persistent, adj -800) joins top-app while
# the app in front stays there and stays resumed; the next `top` takes SystemUI
# back to foreground (no top-app write) and switches only if another app comes.
# `exit PKG`: the app's process ends (a crash, a swipe from recents): the
# kernel drops it from /proc and its cgroup without any event; if it was in
# front, the home screen resumes and moves into top-app.

home_package=com.android.launcher3
systemui_package=com.android.systemui
front=         # the app in front
shade=         # 1 while the shade is down

# The activity a package resumes, as the event log's short component name.
top_activity() {
	local pkg=$1 name activity rest
	if [[ $pkg == "$home_package" ]]; then
		((api >= 29)) && REPLY=$pkg/.uioverrides.QuickstepLauncher || REPLY=$pkg/.Launcher
		return 0
	fi
	REPLY=$pkg/.MainActivity
	[[ -f $S/launcher ]] || return 0
	while read -r name activity rest; do
		[[ $name == "$pkg" && -n $activity ]] || continue
		[[ $activity == "$pkg".* ]] && activity=.${activity#"$pkg".}
		REPLY=$pkg/$activity
		return 0
	done <"$S/launcher"
}

# The resumed-activity line: am_ up to 10, wm_ from 11 (watch-service.md A4.1),
# with the reason ActivityStack (7-11) or TaskFragment (12+) gives.
resumed_tag=am_set_resumed_activity resumed_reason=resumeTopActivityInnerLocked
((api >= 30)) && resumed_tag=wm_set_resumed_activity
((api >= 31)) && resumed_reason=resumeTopActivity
apps_resumed() {
	top_activity "$1"
	phone_event "$resumed_tag" "[0,$REPLY,$resumed_reason]"
}

top_package() {
	case $1 in
	launcher) REPLY=$home_package ;;
	systemui) REPLY=$systemui_package ;;
	*) REPLY=$1 ;;
	esac
}

verb_top_check() {
	top_package "$1"
	phone_uid "$REPLY" || { REPLY="not an installed package: $1"; return 1; }
}

# The home screen is in front when the scenario starts; the screen keeps the
# state the phone was left in.
apps_start_world() {
	phone_uid "$home_package"
	phone_start "$home_package" "$REPLY" 0 4
	front=$home_package
	if screen_is_on; then phone_move top-app "$front"; else phone_move background "$front"; fi
}

verb_top() {
	local pkg old=$front what=
	top_package "$1"
	pkg=$REPLY
	if [[ $pkg == "$systemui_package" ]]; then
		if [[ -n $shade ]]; then REPLY="the shade is already down"; return 0; fi
		shade=1
		phone_move top-app "$systemui_package"
		REPLY="shade down: systemui $REPLY"
		return 0
	fi
	if [[ -n $shade ]]; then
		shade=
		phone_move foreground "$systemui_package"
		what="shade up: systemui $REPLY; "
	fi
	if [[ $pkg == "$old" ]]; then
		REPLY="$what$pkg is already in front"
		return 0
	fi
	if [[ -z ${pid_of[$pkg]:-} ]]; then
		phone_uid "$pkg"
		phone_start "$pkg" "$REPLY" 900 4
		what+="started $pkg (pid ${pid_of[$pkg]}, uid ${uid_of[$pkg]}); "
	fi
	apps_resumed "$pkg"
	front=$pkg
	phone_adj "$pkg" 0
	# asleep, the top app is "top-sleeping": adj 0 in background
	if screen_is_on; then phone_move top-app "$pkg"; else phone_move background "$pkg"; fi
	what+="$pkg adj 0, $REPLY"
	phone_adj "$old" 700
	phone_move background "$old"
	REPLY="$what; $old adj 700, $REPLY"
}

verb_exit_check() {
	[[ $1 != launcher && $1 != systemui && $1 != "$home_package" && $1 != "$systemui_package" ]] ||
		{ REPLY="the home screen and SystemUI stay: $1"; return 1; }
	verb_top_check "$1"
}

verb_exit() {
	local pkg=$1 pid=${pid_of[$1]:-} what
	[[ -n $pid ]] || { REPLY="$pkg is not running"; return 0; }
	phone_stop "$pkg"
	what="$pkg (pid $pid) ended"
	if [[ $front == "$pkg" ]]; then
		front=$home_package
		apps_resumed "$front"
		phone_adj "$front" 0
		if screen_is_on; then phone_move top-app "$front"; else phone_move background "$front"; fi
		what+="; $front adj 0, $REPLY"
	fi
	REPLY=$what
}

scenario_verb top verb_top 1 1 'top PKG|launcher|systemui'
scenario_verb exit verb_exit 1 1 'exit PKG'

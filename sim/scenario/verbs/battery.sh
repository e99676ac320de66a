# `capacity N`, `temp C`, `plug usb|none`: the battery and the cable. The
# level and the temperature (°C, kept in tenths as the kernel shows them) are
# the state's nodes; the cable is the charger model's (a pull resets the
# switches the profile marks pull_clears). Each change raises the battery's
# power_supply uevent as the phone's kernel would (../shared/watch-service.md
# B1): sent by /sim/uevent into the sandbox's own network namespace, in the
# kernel's format. A Qualcomm GKI phone's firmware sends none while the
# screen is off: there only a read of the nodes sees the change.

battery_dir=$K/sys/class/power_supply/battery
battery_devpath=/devices/platform/soc/power_supply/battery

battery_uevent() {
	local family
	family=$(<"$K/family")
	if [[ $family == qc-gki ]] && ! screen_is_on; then
		REPLY+=" (no uevent: the firmware is quiet with the screen off)"
		return 0
	fi
	[[ -x /sim/uevent ]] || { REPLY+=" (no uevent tool)"; return 0; }
	/sim/uevent change "$battery_devpath" SUBSYSTEM=power_supply POWER_SUPPLY_NAME=battery \
		"POWER_SUPPLY_CAPACITY=$(<"$battery_dir/capacity")" "POWER_SUPPLY_TEMP=$(<"$battery_dir/temp")" ||
		REPLY+=" (the uevent could not be sent)"
}

verb_capacity_check() {
	[[ $1 =~ ^[0-9]+$ ]] && (($1 <= 100)) || { REPLY="capacity takes 0 to 100: $1"; return 1; }
}

verb_capacity() {
	printf '%s' "$1" >"$battery_dir/capacity"
	REPLY="battery at $1 %"
	battery_uevent
}

verb_temp_check() {
	[[ $1 =~ ^-?[0-9]+(\.[0-9])?$ ]] || { REPLY="temp takes °C with at most one decimal: $1"; return 1; }
}

verb_temp() {
	local whole=${1%.*} tenth=0
	[[ $1 == *.* ]] && tenth=${1#*.}
	local tenths=$((10#${whole#-} * 10 + tenth))
	[[ $1 == -* ]] && tenths=-$tenths
	printf '%s' "$tenths" >"$battery_dir/temp"
	REPLY="battery at $1 °C"
	battery_uevent
}

verb_plug_check() {
	[[ $1 == usb || $1 == none ]] || { REPLY="plug takes usb or none: $1"; return 1; }
}

# As sim/run --charger: a pull (and a replug, which pulls first) resets the
# switches marked pull_clears.
verb_plug() {
	local key path active normal rest records=
	[[ -f $K/charger_state ]] && records=$(/usr/bin/grep -v '^plug ' "$K/charger_state")
	if [[ -f $K/charger ]]; then
		while read -r key path active normal rest; do
			[[ $key == switch && " $rest " == *" pull_clears "* ]] || continue
			printf '%s' "${normal//+/ }" >"$K$path"
		done <"$K/charger"
	fi
	{
		printf 'plug %s %s\n' "$1" "$((${EPOCHREALTIME/./} / 1000))"
		[[ -z $records ]] || printf '%s\n' "$records"
	} >"$K/charger_state"
	REPLY="cable $1"
	battery_uevent
}

scenario_verb capacity verb_capacity 1 1 'capacity N'
scenario_verb temp verb_temp 1 1 'temp C'
scenario_verb plug verb_plug 1 1 'plug usb|none'

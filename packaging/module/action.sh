#!/system/bin/sh
# Run by the root manager's action button on the module list: applies the mode
# stored with `korvane --on_boot` now, gamemode when none is stored, and shows
# korvane's lines. The module's own copy of korvane, as the web page uses.
mode=gamemode
[ -f /data/adb/korvane/boot ] && mode=$(cat /data/adb/korvane/boot)
exec /data/adb/modules/korvane/system/bin/korvane --auto_setup "$mode"

# Sourced by the root manager's installer once the module is unpacked into
# $MODPATH; set_perm comes from the installer.
set_perm "$MODPATH/system/bin/korvane" 0 0 0755
set_perm "$MODPATH/service.sh" 0 0 0755
set_perm "$MODPATH/action.sh" 0 0 0755
ui_print "- korvane installed: run 'su -c korvane --help'"

# `cmd package`, sourced by cmd (PackageManagerShellCommand.java): the package
# list, and the launcher activities of the installed apps with each app's
# ApplicationInfo, whose category line (ApplicationInfo.category) Android 12's
# game manager tests. `launcher` lists "PKG ACTIVITY [CATEGORY]" in resolve
# order; a game (the `games` list) is category 0, an app without a category
# prints no category line.

# Prints one activity block: $1 its number, $2 the package, $3 the activity, $4 the category.
activity_block() {
	print -r -- "  Activity #$1:"
	print -r -- '    priority=0 preferredOrder=0 match=0x108000 specificIndex=-1 isDefault=false'
	print -r -- '    ActivityInfo:'
	print -r -- "      name=$3"
	print -r -- "      packageName=$2"
	print -r -- '      enabled=true exported=true directBootAware=false'
	print -r -- "      taskAffinity=$2 targetActivity=null persistableMode=PERSIST_ROOT_ONLY"
	print -r -- '      ApplicationInfo:'
	print -r -- "        name=$2.App"
	print -r -- "        packageName=$2"
	print -r -- '        labelRes=0x7f120001 nonLocalizedLabel=null icon=0x7f0e0000 banner=0x0'
	[[ -n $4 ]] && print -r -- "        category=$4"
	print -r -- '        enabled=true minSdkVersion=24 targetSdkVersion=31'
}

query_activities() {
	typeset action= category= pkg activity cat
	typeset -i n=0
	typeset -a blocks
	while (($#)); do
		case $1 in
		--user) shift 2 ;;
		-a) action=$2; shift 2 ;;
		-c) category=$2; shift 2 ;;
		*) shift ;;
		esac
	done
	if [[ $action = android.intent.action.MAIN && $category = android.intent.category.LAUNCHER && -f $S/launcher ]]; then
		while read -r pkg activity cat; do
			sim_installed "$pkg" || continue
			sim_is_game "$pkg" && cat=0
			blocks[n]="$pkg $activity $cat"
			n=n+1
		done <"$S/launcher"
	fi
	if ((n == 0)); then
		print -r -- 'No activities found'
		return
	fi
	print -r -- "$n activities found:"
	n=0
	for pkg in "${blocks[@]}"; do
		set -- $pkg
		activity_block $n "$1" "$2" "${3:-}"
		n=n+1
	done
}

case $verb in
list)
	[[ $2 = packages && $# -le 3 ]] || refuse 'Unknown command; usage: cmd package list packages [FILTER]'
	while IFS= read -r p; do
		[[ -n $p && $p = *"$3"* ]] && print -r -- "package:$p"
	done <"$S/packages"
	;;
query-activities) shift; query_activities "$@" ;;
*) refuse 'Unknown command; usage: cmd package list packages [FILTER] | query-activities [--user U] [-a ACTION] [-c CATEGORY]' ;;
esac

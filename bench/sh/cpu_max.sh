# The CPU upper bound at a percentage (default 80), as a shell script would set
# it: per core, read the available frequencies, sort them numerically, take the
# one at min(n-1, n*percent/100), write it and lock the node with chmod 0444;
# a node locked already is unlocked for the write, as korvane does.
# Run with mksh.
percent=${1:-80}
echo "[INFO] Setting CPU Max to $percent%..."
ok=0 total=0 core=0
while [ $core -lt 16 ] && [ -d /sys/devices/system/cpu/cpu$core ]; do
	dir=/sys/devices/system/cpu/cpu$core/cpufreq
	total=$((core + 1))
	core=$((core + 1))
	set -A freqs -- $(for f in $(<$dir/scaling_available_frequencies); do print -- "$f"; done | toybox sort -n)
	n=${#freqs[*]}
	[ $n -gt 0 ] || continue
	index=$((n * percent / 100))
	[ $index -lt $n ] || index=$((n - 1))
	node=$dir/scaling_max_freq
	# cores of one policy share the node, which the first of them locked
	if { print -nr -- "${freqs[index]}" >$node; } 2>/dev/null ||
		{ chmod 0644 $node && print -nr -- "${freqs[index]}" >$node; } 2>/dev/null; then
		chmod 0444 $node
		ok=$((ok + 1))
	else
		echo "[WARN] Failed to set CPU$((core - 1)) max freq"
	fi
done
echo "[OK] CPU Max applied to $ok/$total cores"

# The CPU upper bound at a percentage (default 80), as a shell script would set
# it: per core, read the available frequencies, sort them numerically, take the
# one at min(n-1, n*percent/100), write it and lock the node with chmod 0444.
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
	if { print -nr -- "${freqs[index]}" >$dir/scaling_max_freq; } 2>/dev/null; then
		chmod 0444 $dir/scaling_max_freq
		ok=$((ok + 1))
	else
		echo "[WARN] Failed to set CPU$((core - 1)) max freq"
	fi
done
echo "[OK] CPU Max applied to $ok/$total cores"

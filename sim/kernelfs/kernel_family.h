#pragma once
// The kernel families whose scheduler tunables differ in name, folder, format
// and rules, as a profile's `family` file names them: "qc-hmp", "qc-walt4",
// "qc-gki", "mtk", "gki-other", "none".

#include <string_view>

namespace kernelfs {

enum class KernelFamily {
    none,       // no vendor scheduler: only the mainline entries
    qc_hmp,     // msm-4.4 HMP: one margin per pair, both pairs checked on every write
    qc_walt4,   // msm-4.14..5.4 WALT: per-boundary margins in /proc/sys/kernel
    qc_gki,     // GKI with the WALT module: its tunables in /proc/sys/walt
    mtk,        // MediaTek 4.x: boost through /sys/devices/system/cpu/sched
    gki_other,  // other GKI vendors: the core set only
};

// Anything unknown counts as none.
KernelFamily parse_kernel_family(std::string_view name);

}  // namespace kernelfs

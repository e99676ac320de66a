#include "kernel_family.h"

namespace kernelfs {

KernelFamily parse_kernel_family(std::string_view name) {
    constexpr struct {
        std::string_view name;
        KernelFamily family;
    } kNames[] = {
        {"qc-hmp", KernelFamily::qc_hmp}, {"qc-walt4", KernelFamily::qc_walt4}, {"qc-gki", KernelFamily::qc_gki},
        {"mtk", KernelFamily::mtk},       {"gki-other", KernelFamily::gki_other},
    };
    for (const auto& n : kNames) {
        if (n.name == name) return n.family;
    }
    return KernelFamily::none;
}

}  // namespace kernelfs

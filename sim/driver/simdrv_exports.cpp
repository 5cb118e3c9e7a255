// The DLL's exports: each driver name is a jump to the logged form of its
// entry point (simdrv_logged.h), so that the callee still removes exactly
// the arguments its prototype has. The export list (simdrv_def.cmake) names
// these SimExport_<field> symbols.
#include "simdrv_logged.h"

SIMDRV_NAMES

#define SIMDRV_EXPORT(field, name, pfn)                                                            \
    extern "C" {                                                                                   \
    void* SimExportTarget_##field = (void*)SIMDRV_ENTRY(field, pfn);                               \
    }                                                                                              \
    __asm__(".text\n.globl _SimExport_" #field "\n_SimExport_" #field ":\n\tjmp *_SimExportTarget_" #field "\n");
#define SIMDRV_EXPORT_GROUP(group, list, count) list(SIMDRV_EXPORT)
KW_DRV_GROUPS(SIMDRV_EXPORT_GROUP)

// Every simulated entry point with a decorated name ("_Name@N") removes N bytes.
template <class F>
struct SimArgBytes;
template <class R, class... A>
struct SimArgBytes<R KW_STDCALL(A...)> {
    static constexpr u32 value = (0u + ... + u32((sizeof(A) + 3) & ~3u));
};
#define SIM_CHECK_BYTES(field, name, pfn)                                                          \
    static_assert(SimUnusedType(#pfn) || SimDecoratedBytes(name) == 0 ||            \
                      SimArgBytes<decltype(Sim_##field)>::value == SimDecoratedBytes(name),        \
                  name);
#define SIM_CHECK_GROUP(group, list, count) list(SIM_CHECK_BYTES)
KW_DRV_GROUPS(SIM_CHECK_GROUP)

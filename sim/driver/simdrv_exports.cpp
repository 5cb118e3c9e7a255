// The DLL's exports: each driver name is a jump to the logged form of its
// entry point (simdrv_logged.h), so that the callee still removes exactly
// the arguments its prototype has. The export list (simdrv_def.cmake) names
// these SimExport_<field> symbols.
#include "simdrv_logged.h"

#define SIMDRV_EXPORT(field, name, pfn)                                                            \
    extern "C" {                                                                                   \
    void* SimExportTarget_##field = (void*)&SimLogged<&Sim_##field>::Call;                         \
    }                                                                                              \
    __asm__(".text\n.globl _SimExport_" #field "\n_SimExport_" #field ":\n\tjmp *_SimExportTarget_" #field "\n");
#define SIMDRV_EXPORT_GROUP(group, list, count) list(SIMDRV_EXPORT)
KW_DRV_GROUPS(SIMDRV_EXPORT_GROUP)

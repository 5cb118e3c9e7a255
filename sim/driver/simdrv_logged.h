// Every entry point as the driver's users reach it: the simulator's function
// wrapped so that the call log gets the call's result next to its line.
#pragma once

#include <stdio.h>

#include "simdrv_state.h"

template <auto Entry, class Pfn = decltype(Entry)>
struct SimLogged;
template <auto Entry, class R, class... A>
struct SimLogged<Entry, R(KW_STDCALL*)(A...)> {
    static R KW_STDCALL Call(A... a)
    {
        u32 line = SimDrv_LogCount();  // the line this call writes, if logging
        R result = Entry(a...);
        SimLogResult(line, result);
        return result;
    }
};

// An entry point the plug-in never calls, which the simulator does not
// simulate: logged with its words, the first shown as the handle that call
// faults match, an injected call fault honoured, else SIMDRV_ERR_NOT_SIMULATED.
// A decorated name ("_Name@N") takes N / 4 words, so that the callee removes
// exactly N bytes; any other takes none.
template <const char* Name, class Words = std::make_index_sequence<SimDecoratedBytes(Name) / 4>>
struct SimUnsimulated;
template <const char* Name, size_t... I>
struct SimUnsimulated<Name, std::index_sequence<I...>> {
    static i32 KW_STDCALL Call(SimWord<I>... word)
    {
        const u32 words[] = {word..., 0};
        char args[128] = "";
        for (size_t i = 0, n = 0; i < sizeof...(I); ++i)
            n += (size_t)snprintf(args + n, sizeof args - n, i ? ",%u" : "%d", words[i]);
        i32 st;
        if (SimEnter(&st, Name, sizeof...(I) ? (i32)words[0] : -1, "%s", args)) return st;
        return SIMDRV_ERR_NOT_SIMULATED;
    }
};

// The logged entry point behind a table field: the simulator's own, whose
// address Own returns, or the unsimulated one for a field the plug-in never
// calls, for which Sim_<field> is declared but not defined. Such a field is
// told by the name of its type, PFN_DrvUnused: RemoteDevicesSearch has the
// same type under its own name.
constexpr bool SimUnusedType(const char* pfn)
{
    const char* unused = "PFN_DrvUnused";
    while (*pfn && *pfn == *unused) ++pfn, ++unused;
    return *pfn == *unused;
}
template <bool Unused, const char* Name, class Own>
constexpr auto SimEntry(Own)
{
    if constexpr (Unused) return &SimLogged<&SimUnsimulated<Name>::Call>::Call;
    else return &SimLogged<Own{}(0)>::Call;
}
// Each user defines the names first (SIMDRV_NAMES), then takes the entries.
#define SIMDRV_NAME(field, name, pfn) static constexpr char SimName_##field[] = name;
#define SIMDRV_NAME_GROUP(group, list, count) list(SIMDRV_NAME)
#define SIMDRV_NAMES KW_DRV_GROUPS(SIMDRV_NAME_GROUP)
#define SIMDRV_ENTRY(field, pfn) SimEntry<SimUnusedType(#pfn), SimName_##field>([](auto) { return &Sim_##field; })

// Every entry point as the driver's users reach it: the simulator's function
// wrapped so that the call log gets the call's result next to its line.
#pragma once

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

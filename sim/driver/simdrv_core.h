// Simulated measurement driver: a stand-in for tvxv2_w32.dll.
//
// The same portable core serves two builds: natively it is installed into the
// driver function table (simdrv_native.h), on Windows it is the DLL
// tvxv2_w32.dll, whose exports are the Sim_* entry points under the driver's
// names plus the SimDrv_* control functions below.
//
// Simulated: connection (by address or serial), network search, PCI/USB device
// lists, properties and identity texts, and analog input (channel list, rate,
// software clock, buffered samples on a clock, single voltages). Every other
// entry point is logged and returns SIMDRV_ERR_NOT_SIMULATED.
#pragma once

#include <type_traits>
#include <utility>

#include "tvxv2_api.h"

// Status codes besides DRV_OK and DRV_ERR_LOST_CONNECTION (unknown or
// disconnected handle).
enum {
    SIMDRV_ERR_ARGUMENT = -1,       // null pointer, channel, range or list position out of range
    SIMDRV_ERR_RATE = -2,           // frequency not positive or above the device's maximum
    SIMDRV_ERR_NOT_FOUND = -3,      // no such device, search entry or property
    SIMDRV_ERR_STATE = -4,          // not allowed now (measuring, not configured, not measuring)
    SIMDRV_ERR_BUFFER = -5,         // caller's buffer too small
    SIMDRV_ERR_NO_ROOM = -6,        // channel list or device list pool full
    SIMDRV_ERR_NOT_SIMULATED = -9999,
};

enum {
    SIMDRV_MAX_DEVICES = 64,
    SIMDRV_MAX_CHANNELS = 32,  // analog input channels per device
    SIMDRV_MAX_LIST = 64,      // analog channel list positions per device
    SIMDRV_TEXT = 256,         // identity and property texts, with terminator
};

// Read calls that read faults can target (mask bits).
enum {
    SIMDRV_READ_COUNT = 1,   // MeasurementChannel_GetNumberOfValues
    SIMDRV_READ_DATA = 2,    // MeasurementChannel_ReadDataAsDouble
    SIMDRV_READ_SINGLE = 4,  // AD_ReadSingleVoltage
    SIMDRV_READ_ALL = 7,
};

// Control functions: plain C, exported by the DLL under these names.
#define SIMDRV_API extern "C"

// Configuration (format: simdrv_config.cpp, README.md). Returns 0, or the
// number of the first bad line, keeping the previous configuration. A new
// configuration ends all connections and measurements.
SIMDRV_API int SimDrv_LoadConfig(const char* text);
SIMDRV_API int SimDrv_LoadConfigFile(const char* path);  // -1 if unreadable
// Back to the start-up state: the file named by KW_SIM_CONFIG or the built-in
// devices, simulated clock at 0, no connections, faults, search results or log.
SIMDRV_API void SimDrv_Reset(void);

// Clock. Setting or advancing the time selects the simulated clock.
SIMDRV_API void SimDrv_SetTime(double seconds);
SIMDRV_API void SimDrv_AdvanceTime(double seconds);
SIMDRV_API void SimDrv_UseRealTime(int on);  // real time runs on from the current time
SIMDRV_API double SimDrv_Now(void);

// Faults. handle -1 matches every device. A call fault makes the entry point
// with that exported name return status for its next 'times' calls (0: until
// cleared); entry points returning text return null instead.
SIMDRV_API void SimDrv_FailCall(const char* name, i32 handle, i32 status, u32 times);
// Every read in 'mask' fails with status from the fromCall-th such read
// (counted from now, 1-based; 0: no count limit) or from simulated time
// fromTime on (negative: no time limit), whichever comes first.
SIMDRV_API void SimDrv_FailReads(i32 handle, u32 mask, u32 fromCall, double fromTime, i32 status);
// AD_SetFrequency with exactly this frequency fails with status.
SIMDRV_API void SimDrv_FailFrequency(i32 handle, double hertz, i32 status);
SIMDRV_API void SimDrv_ClearFaults(void);

// Call log: one line per driver call, e.g. "AD_AddChannelToList(1,0,0,0,1)".
// Text arguments are quoted, pointers show as & (or NULL), in-out counts show
// their value on entry, doubles use %.15g. Logging stops after 200000 lines.
SIMDRV_API u32 SimDrv_LogCount(void);
SIMDRV_API u32 SimDrv_LogLine(u32 index, char* buffer, u32 size);  // length, 0 beyond the end
SIMDRV_API u32 SimDrv_LogText(char* buffer, u32 size);  // lines ended by '\n'; returns bytes needed
SIMDRV_API u32 SimDrv_LogCountOf(const char* prefix);   // lines beginning with prefix
SIMDRV_API void SimDrv_LogClear(void);
SIMDRV_API void SimDrv_LogEnable(int on);

// Devices and signals.
SIMDRV_API u32 SimDrv_DeviceCount(void);
SIMDRV_API i32 SimDrv_DeviceHandle(u32 index);  // -1 beyond the last device
// Sample k of a device channel at the device's current analog rate, exactly as
// the buffered reads deliver it; NaN for an unknown handle or channel.
SIMDRV_API double SimDrv_SignalValue(i32 handle, u32 channel, u64 k);
// The channel's signal at time t, as AD_ReadSingleVoltage reads it.
SIMDRV_API double SimDrv_SignalAt(i32 handle, u32 channel, double t);
// Next node of a DeviceInfoGet list, or null. On the 32-bit target word 4 of
// a node is the next node's address; natively it is a reference into the
// driver's node pool that only this function resolves.
SIMDRV_API const u32* SimDrv_NodeNext(const u32* node);

// Driver entry points: Sim_<field> for every field of DrvTable, with the
// table's prototype. Entry points held as PFN_DrvUnused take no arguments,
// except the decorated ones ("_Name@N"), which take N / 4 u32 words so that
// the callee removes exactly N bytes.
constexpr u32 SimDecoratedBytes(const char* name)
{
    const char* at = nullptr;
    for (const char* p = name; *p; ++p)
        if (*p == '@') at = p;
    if (name[0] != '_' || !at) return 0;
    u32 n = 0;
    for (const char* p = at + 1; *p; ++p) n = n * 10 + u32(*p - '0');
    return n;
}

template <size_t>
using SimWord = u32;
template <class Pfn, u32 Bytes, class Seq = std::make_index_sequence<Bytes / 4>>
struct SimEntryType {
    using type = std::remove_pointer_t<Pfn>;
};
template <u32 Bytes, size_t... I>
struct SimEntryType<PFN_DrvUnused, Bytes, std::index_sequence<I...>> {
    typedef i32 KW_STDCALL type(SimWord<I>...);
};

extern "C" {
#define SIMDRV_DECLARE(field, name, pfn) SimEntryType<pfn, SimDecoratedBytes(name)>::type Sim_##field;
#define SIMDRV_DECLARE_GROUP(group, list, count) list(SIMDRV_DECLARE)
KW_DRV_GROUPS(SIMDRV_DECLARE_GROUP)
#undef SIMDRV_DECLARE_GROUP
#undef SIMDRV_DECLARE
}

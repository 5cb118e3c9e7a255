// Simulated measurement driver: a stand-in for tvxv2_w32.dll.
//
// The same portable core serves two builds: natively it is installed into the
// driver function table (simdrv_native.h), on Windows it is the DLL
// tvxv2_w32.dll, whose exports are the Sim_* entry points under the driver's
// names plus the SimDrv_* control functions below.
//
// Simulated: connection (by address or serial), network search, PCI/USB device
// lists, properties and identity texts; analog input, counters and digital
// lines (channel lists, rates, buffered samples on the device clock, single
// reads); analog, digital and pulse outputs, recorded with their times and,
// with loopback, fed back into the inputs. Every other entry point is logged
// and returns SIMDRV_ERR_NOT_SIMULATED.
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

// Read calls that read faults can target (mask bits).
enum {
    SIMDRV_READ_COUNT = 1,       // MeasurementChannel_GetNumberOfValues, every kind
    SIMDRV_READ_DATA = 2,        // MeasurementChannel_ReadDataAsDouble (analog)
    SIMDRV_READ_SINGLE = 4,      // AD_ReadSingleVoltage
    SIMDRV_READ_CT_DATA = 8,     // MeasurementChannel_ReadDataAsUInt32, counter kind
    SIMDRV_READ_TTL_DATA = 16,   // MeasurementChannel_ReadDataAsUInt32, digital kind
    SIMDRV_READ_CT_SINGLE = 32,  // CT_ReadSingleValue
    SIMDRV_READ_PORT = 64,       // TTL_ReadPort
    SIMDRV_READ_ALL = 127,
};

// Output calls, as write faults target them (mask bits) and as the write
// record names their kind.
enum {
    SIMDRV_WRITE_DA = 1,         // DA_WriteChannelVoltage
    SIMDRV_WRITE_TTL = 2,        // TTL_WritePort
    SIMDRV_WRITE_PWM = 4,        // PWM_WriteNewPWMRatio, PWM_SetFrequency, PWM_SetDutyCycle
    SIMDRV_WRITE_PWM_SETUP = 8,  // PWM_PreparePWMOutput, PWM_PrepareFMOutput, PWM_StartOutput
    SIMDRV_WRITE_ALL = 15,
};

// One output call as the write record keeps it (plain C, the same layout in
// the DLL and in the test program that reads it).
struct SimDrvWrite {
    char name[32];  // entry point, e.g. "TTL_WritePort"
    u32 kind;       // SIMDRV_WRITE_*
    i32 handle;
    i32 channel;    // channel, or port for TTL_WritePort; -1 for PWM_StartOutput
    i32 status;     // what the call returned; only calls returning 0 reach the device
    double value;   // volts, port word, duty cycle in percent, or (prepare, PWM_SetFrequency) hertz
    double value2;  // prepare: duty cycle in percent; otherwise 0
    double time;    // device clock when the call was made
};
KW_ASSERT_OFFSET(SimDrvWrite, kind, 32);
KW_ASSERT_OFFSET(SimDrvWrite, value, 48);
KW_ASSERT_OFFSET(SimDrvWrite, time, 64);
KW_ASSERT_SIZE(SimDrvWrite, 72);

// Control functions: plain C, exported by the DLL under these names.
#define SIMDRV_API extern "C"

// Configuration (format: simdrv_config.cpp, README.md). Returns 0, or the
// number of the first bad line, keeping the previous configuration. A new
// configuration ends all connections and measurements.
SIMDRV_API int SimDrv_LoadConfig(const char* text);
// Back to the start-up state: the file named by KW_SIM_CONFIG or the built-in
// devices, simulated clock at 0, no connections, faults, search results or log.
SIMDRV_API void SimDrv_Reset(void);

// Clock. Setting the time selects the simulated clock; real time runs on
// from the current time.
SIMDRV_API void SimDrv_SetTime(double seconds);
SIMDRV_API void SimDrv_UseRealTime(int on);

// Faults. handle -1 matches every device. A call fault makes the entry point
// with that exported name return status for its next 'times' calls (0: until
// cleared); entry points returning text return null instead.
SIMDRV_API void SimDrv_FailCall(const char* name, i32 handle, i32 status, u32 times);
// Every read in 'mask' (SIMDRV_READ_*) fails with status from the fromCall-th
// such read (counted from now, 1-based; 0: no count limit) or from simulated
// time fromTime on (negative: no time limit), whichever comes first.
SIMDRV_API void SimDrv_FailReads(i32 handle, u32 mask, u32 fromCall, double fromTime, i32 status);
// The same for the output calls in 'mask' (SIMDRV_WRITE_*).
SIMDRV_API void SimDrv_FailWrites(i32 handle, u32 mask, u32 fromCall, double fromTime, i32 status);
SIMDRV_API void SimDrv_ClearFaults(void);

// Call log: one line per driver call, e.g. "AD_AddChannelToList(1,0,0,0,1)".
// Text arguments are quoted, pointers show as & (or NULL), in-out counts show
// their value on entry, doubles use %.15g. Logging stops after 200000 lines.
// Each line's result is what the call returned: a status as "%d", a text
// quoted or NULL.
SIMDRV_API u32 SimDrv_LogCount(void);
SIMDRV_API u32 SimDrv_LogLine(u32 index, char* buffer, u32 size);  // length, 0 beyond the end
SIMDRV_API u32 SimDrv_LogResult(u32 index, char* buffer, u32 size);  // length, 0 beyond the end
SIMDRV_API u32 SimDrv_LogCountOf(const char* prefix);   // lines beginning with prefix
SIMDRV_API void SimDrv_LogEnable(int on);

// Write record: every DA, TTL and PWM output call in call order, failed ones
// too (up to 200000 calls). WriteAt returns 1 and fills *out, or 0 beyond the end.
SIMDRV_API u32 SimDrv_WriteCount(void);
SIMDRV_API int SimDrv_WriteAt(u32 index, SimDrvWrite* out);
SIMDRV_API void SimDrv_WriteClear(void);

// Sample k of an input as the buffered reads deliver it: each input kind
// samples at the ticks n / rate of the device clock, and sample k of a
// measurement is tick n0 + k, n0 the tick at or before the last StartMeasure.
// With loopback the outputs written at or before a sample's time count. Analog
// inputs in volts, counters in their current mode (README.md), digital lines
// (device numbering: lines per port x port + line in port) 0 or 1; NaN for an
// unknown handle, channel or line.
SIMDRV_API double SimDrv_SignalValue(i32 handle, u32 channel, u64 k);
SIMDRV_API double SimDrv_CounterValue(i32 handle, u32 channel, u64 k);
SIMDRV_API double SimDrv_LineValue(i32 handle, u32 line, u64 k);

// Driver entry points: Sim_<field>, declared for every field of DrvTable with
// the table's prototype and defined for those the simulator simulates. The
// fields held as PFN_DrvUnused, which the plug-in never calls, are served by
// SimUnsimulated (simdrv_logged.h) instead; were one simulated, it would take
// no arguments, or for a decorated name ("_Name@N") N / 4 u32 words.
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

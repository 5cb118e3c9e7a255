// Run steps that the module kinds share: the opening of prepare (records
// cleared, driver entry points checked, device connected), the rate with its
// time base 1 fallback, the end of the input kinds' start, go and stop on the
// shared device, and the failure path of a driver error during a run.
//
// One rule holds for every kind from prepare to its last compute call: a
// driver call that answers the lost-connection status ends the experiment
// through the kind's failure path at once, whatever the call, and the step or
// compute call returns 0. A pulled cable is never skipped over as one more
// refusal. Every other status is handled where the call is made.
#pragma once

#include "mod_frame.h"
#include "tvxv2_api.h"

enum { MOD_MESSAGE_SIZE = 1024 };  // texts shown to the user, terminator included

// The driver entry points a kind calls from prepare to stop. With one missing
// the module refuses to start, so no later call has to check.
struct ModDriverNeeds {
    const void* const* slots;  // addresses of g_drv fields
    u32 count;
};
#define MOD_DRIVER_NEEDS(list) ModDriverNeeds{list, (u32)(sizeof list / sizeof list[0])}

// First steps of DMM_PREPARE_START_MODULE: zero-fills the channel runtime
// records, sets the device handle to -1, refuses a driver that lacks an entry
// point of 'needs' and connects the module's device string (warning titled
// with the module name). True when the device is connected.
bool MOD_PrepareDevice(Module* m, const ModFrame* f, const ModDriverNeeds* needs);

// DMM_PREPARE_START_MODULE of an input kind: the device connected, then the
// kind's channel list on it cleared; 1 when both succeed.
i32 MOD_PrepareInput(Module* m, const ModFrame* f, const ModDriverNeeds* needs, PFN_DeviceCall clearList);

// The rate of the module's sample distance (from the fifo set-up), in hertz.
// False for a distance that is not a finite number above 0, or so small that
// its rate would not be one in single precision: no rate reaches the device then.
bool MOD_RateOf(const Module* m, double* hertz);
// The rate of time base 1: ten times 'hertz' first, so that every poll finds
// a fresh value, and 'hertz' when the device refuses that (but not when it
// is lost). The product is taken in the type of 'hertz': the analog input
// asks in single precision. Returns the status of the last call.
template <class Hertz>
static inline i32 MOD_SetFastRate(PFN_SetFrequency set, i32 handle, Hertz hertz)
{
    i32 status = set(handle, (Hertz)10 * hertz);
    return status != 0 && status != DRV_ERR_LOST_CONNECTION ? set(handle, hertz) : status;
}
// What MOD_SetRate answers when the module's sample distance gives no rate:
// nothing is asked of the device, and the start refuses as for a refused rate.
enum { MOD_NO_RATE = 1 };
// The rate of the counter and digital inputs: one over the module's sample
// distance, fast with time base 1. Returns the status of the last call.
i32 MOD_SetRate(Module* m, PFN_SetFrequency set, u32 timeBase);
// The last step of every input kind's start, once its channels are in the
// list and its rate asked for: the failure path when the device was lost,
// string 12000, titled with the module name, when it refused the rate
// ('status' not 0), else the start marker. The start's result.
i32 MOD_FinishInputStart(Module* m, const ModFrame* f, i32 status);

// Go and stop of the kinds that start the device with the shared run protocol.
i32 MOD_GoDevice(Module* m, const ModFrame* f);
i32 MOD_StopDevice(Module* m, const ModFrame* f);

// A driver error of the module during a run: stops the experiment and reports
// the status ("Invalid device or lost connection, ..." for -1000, "Unknown
// error, ..." else) with the kind's internal-error tag. Returns 0, the
// compute result.
i32 MOD_StopOnDriverError(const Module* m, const char* errorTag, i32 status, int line);
// The rule above: true when 'status' is the lost connection, after the
// experiment has been stopped and the loss reported. Inline, since compute
// passes ask it once per channel.
bool MOD_ReportLost(const Module* m, const ModFrame* f);
static inline bool MOD_Lost(const Module* m, const ModFrame* f, i32 status)
{
    return status == DRV_ERR_LOST_CONNECTION && MOD_ReportLost(m, f);
}

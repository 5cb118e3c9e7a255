// Module frame: the message handler that all six module kinds share, driven
// by one table of values and hooks per kind, and the helpers that the kinds'
// run code uses on the host module record and the parameter block.
//
// Safe rule for channel numbers: the host's channel numbers and channel
// counts are trusted only within the 16 channel settings of a block. Loops run
// over at most 16 channels; a single channel number of 16 or more
// (DCM_GET_UNIT, DCM_SETUP_FIFO) is refused with result 0.
#pragma once

#include <string.h>

#include "mod_kinds.h"
#include "mod_params.h"
#include "plugin_state.h"

// One entry of a parameter description table (message 154). On the target
// each of the four words is 32 bits; natively the addresses are wider.
struct ParamDesc {
    const char* name;
    const char* type;
    uintptr_t offset;  // of the field in the parameter block
    uintptr_t zero;
};
KW_ASSERT_SIZE(ParamDesc, 16);

// How a kind answers DCM_SETUP_FIFO.
enum ModFifoSetup : u8 {
    MOD_FIFO_HOST,       // the kind has no outputs: left to the host
    MOD_FIFO_CHECKED,    // needs a connected device and an accepted fifo kind
    MOD_FIFO_UNCHECKED,  // time base values only, no checks
};

struct ModFrame;
typedef i32 (*ModRunHook)(Module* m, const ModFrame* f);

// Per-kind values and hooks of the frame. The kind's row (mod_kinds.h) leads
// from the frame to the kind's class values and dialog.
struct ModFrame {
    const char* tag;         // source tag for host services
    const char* errorTag;    // source tag of internal-error reports: "DLL:" and the tag
    const char* signature;   // Description_Signature written at creation
    bool outputKind;         // channels are module inputs (else outputs)
    bool takesCurrentDevice; // a new module starts on the device last connected
    u32 channelStride;       // bytes of one channel's settings
    u32 timeBaseOffset;      // Time_Base_ID in the parameter block
    const char* unit;        // unit of every channel at creation
    const ParamDesc* description;
    void (*defaults)(void* params);  // the kind's own fields at creation
    ModRunHook prepare, start, go, stop;  // the run messages
    ModFifoSetup fifo;
    // Channel runtime record: block size (u32) here, the single-precision
    // sample distance right after it.
    u32 fifoRecordOffset;
    const char* actionKeys[2];  // key texts of the actions 13 and 14
    bool actionChecksCode;      // DMM_MODULE_ACTION answers by the action code
    // Extra global registrations per channel (null: names only).
    void (*channelGlobals)(Module* m, u32 channel, bool registering);
    // Refresh of the block from host global variables (null: none).
    void (*refresh)(Module* m);
};

// The kinds' own fields at creation, shared by the kinds of one layout:
// analog input and output, digital input and output.
void MOD_AnalogChannelDefaults(void* params);
void MOD_DigitalDefaults(void* params);

// The shared message handler of every kind.
i32 MOD_Dispatch(const ModFrame* f, Module* m, u32 msg, u32 wParam, u32 lParam);

template <class T>
static inline T* MOD_Params(Module* m)
{
    return (T*)m->params;
}
static inline ParamHeader* MOD_Header(Module* m) { return (ParamHeader*)m->params; }
static inline ModRuntime* MOD_Runtime(Module* m) { return (ModRuntime*)m->runtime; }
// Whether the compute function has work: the module is active and its
// prepare connected a device.
static inline bool MOD_Running(const Module* m)
{
    return m && m->active && m->runtime && ((const ModRuntime*)m->runtime)->handle >= 0;
}

// Time_Base_ID of the module's block.
static inline u32 MOD_TimeBaseId(Module* m, const ModFrame* f)
{
    u32 id;
    memcpy(&id, (const u8*)m->params + f->timeBaseOffset, sizeof id);
    return id;
}

// The module's channels (outputs of an input kind, inputs of an output
// kind), at most 16.
u32 MOD_ChannelCount(const Module* m, const ModFrame* f);
// Name and unit of channel i (< 16) in the block.
ChannelHead* MOD_Channel(Module* m, const ModFrame* f, u32 i);
// Makes a text of a loaded block end inside its field. A terminated text is
// left byte for byte as it is.
void MOD_TerminateText(char* field, size_t size);

// Channel-name global strings (and the kind's extra globals).
void MOD_RegisterChannelNames(Module* m, const ModFrame* f);
void MOD_UnregisterChannelNames(Module* m, const ModFrame* f);

// Zero-fills each of the 16 channel runtime records that the host allocated.
void MOD_ClearChannelRecords(Module* m, const ModFrame* f);
// Defaults of a new module (message 101 and the first step of 168).
void MOD_WriteDefaults(Module* m, const ModFrame* f);
// DCM_SETUP_FIFO for channel c: 1 set up, 0 refused.
i32 MOD_SetupFifo(Module* m, const ModFrame* f, u32 c);

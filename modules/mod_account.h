// Each input module's account of its values while the trace is on. Per
// channel: the values taken from the driver; delivered to the host in
// released blocks; dropped because they would carry the channel past the
// time base's clock count; held back while the experiment was paused, each
// block once and at its full size (a block of the single-value pass, too,
// though it may not be full yet); repeated to complete a block of the
// single-value pass. The host's runtime records have a layout that is not ours to extend,
// so the counts live in a table of the plug-in's own, one entry per module
// from its prepare to its stop, keyed by the module and not by its device:
// modules that share a device keep their own accounts. The passes count once
// per read and once per block, never per value. A channel that the start left
// out of the device's list delivers nothing; its account says why.
#pragma once

#include "mod_frame.h"
#include "trace.h"

struct ChannelAccount {
    u64 taken, delivered, dropped, held, repeated;
    bool holding;  // the current block waits for the pause to end, already counted
    const char* unlisted;  // why the channel is not in the device's list: a format of one %d, or null
    i32 unlistedValue;
};

enum { MOD_ACCOUNT_MODULES = 64 };  // modules counted at a time; more go uncounted

// The accounts of the module's 16 channels; null when it has none.
ChannelAccount* MOD_FindAccount(const Module* m);
// The same, null at once with the trace off: the passes ask once per call.
static inline ChannelAccount* MOD_AccountOf(const Module* m) { return TRC_On() ? MOD_FindAccount(m) : nullptr; }

// Prepare: the module's accounts start from zero (with the trace on).
void MOD_OpenAccount(const Module* m);
// Stop: the summary into the trace, one line per channel, and the entry freed.
void MOD_CloseAccount(Module* m, const ModFrame* f);
// Delete: the entry freed without a summary.
void MOD_ForgetAccount(const Module* m);

// Start: channel c stays out of the device's list; 'why' is a format with
// one %d for 'value', e.g. "list size read failed (%d)".
void MOD_NoteUnlisted(const Module* m, u32 c, const char* why, i32 value);

// Counting on the passes; each takes a channel's account or null.
static inline void MOD_CountRead(ChannelAccount* a, u32 got, u32 kept)
{
    if (!a) return;
    a->taken += got;
    a->dropped += got - kept;
}
// A block waits for its release: while paused it is held, counted once.
static inline void MOD_CountWait(ChannelAccount* a, u32 values, bool paused)
{
    if (!a || !paused || a->holding) return;
    a->held += values;
    a->holding = true;
}
static inline void MOD_CountRelease(ChannelAccount* a, u32 values, u32 repeated)
{
    if (!a) return;
    a->delivered += values;
    a->repeated += repeated;
    a->holding = false;
}

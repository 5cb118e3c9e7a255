// Bar state of the one module dialog open at a time, shared by the channel
// selector controls and the module dialogs' portable steps.
#pragma once

#include "kw_types.h"

extern u32 barMaxChannels;   // channel buttons the module kind can use
extern u32 barUsedChannels;  // channels in use, 1 to barMaxChannels
extern u32 barCurrentChannel;
extern int lastControlId;  // control last used: help topic and copy to all channels

// A module dialog's two channel routines: read its controls into the working
// copy for 'channel', and fill its controls from the working copy.
typedef void (*ChannelBar_ChannelFn)(HWND dialog, u32 channel);
struct ChannelBarHooks {
    ChannelBar_ChannelFn store;
    ChannelBar_ChannelFn show;
};

#include "chanbar_state.h"

u32 barMaxChannels;
u32 barUsedChannels;
u32 barCurrentChannel;
int lastControlId;

// Channel selector images of the simulated host (Windows only).
#pragma once

#include "kw_types.h"

// Creates the four channel button images and the six arrow images.
void SIM_DrawBarBitmaps(HBITMAP channel[4], HBITMAP lessMore[6]);

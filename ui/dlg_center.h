// Dialog placement and the dialog text font.
#pragma once

#include "kw_types.h"

// Centres 'window' on the client area of 'reference' (or on the desktop when
// null), keeps it on the primary screen, and gives its labels and buttons the
// plug-in's dialog text font.
void DLG_CenterWindow(HWND window, HWND reference);

// The dialog text font shared by every dialog of the plug-in.
#pragma once

#include "kw_types.h"

// Made through the host by dialog centring from the first dialog it places;
// null until then. The host keeps the object, the plug-in only its handle.
extern HFONT g_dlgFont;

// Hands the font back to the host at shut-down, if it was made.
void DLG_ReleaseFont(void);

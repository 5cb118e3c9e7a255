// Channel selector bar of the module dialogs: channel buttons and arrows.
#pragma once

#include "kw_types.h"

// Window procedures of the two control classes.
LRESULT CALLBACK ChannelButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK LessMoreProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "VOV:CONTROLKANAL" and then "VOV:CONTROLLESSMORE" for the plug-in
// instance; a refused registration is not reported.
void ChannelBar_RegisterClasses(void);
void ChannelBar_UnregisterClasses(void);

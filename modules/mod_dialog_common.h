// What every module parameter dialog shares: the working copy of the
// parameter block, the opening step, the device field with its Search and
// Info buttons, the help, and accepting or dropping the copy.
#pragma once

#include "chanbar.h"
#include "mod_frame.h"

// Working copy of the parameter block of the one module dialog open at a
// time; from the host's NewMemAlloc.
extern void* g_dlgWorkingCopy;

// Allocates the working copy (tagged with the kind's source tag) and copies
// the module's parameter block into it; false when the host has no memory.
bool ModuleDialog_OpenCopy(Module* m, const ModFrame* f, u32 size);
// Ok: module name and description to the host, the working copy over the
// parameter block, the channel count and the channel-name global strings
// renewed, the copy freed; ends the dialog with 1. The caller has stored the
// current channel.
void ModuleDialog_Accept(HWND dialog, Module* m, const ModFrame* f, u32 size);
// Cancel: frees the working copy and ends the dialog with 0.
void ModuleDialog_Discard(HWND dialog, const ModFrame* f);

// Opening step, after the working copy exists and the bar state is set:
// bar and placement, global-strings menu on the channel name, text limits,
// module name and description, and the controls that are locked while an
// experiment runs.
void ModuleDialog_InitCommon(HWND dialog);

// Short form of a device string for the Device field: its serial number,
// else "default".
void ModuleDialog_DeviceText(const char* deviceString, char* out, size_t size);
void ModuleDialog_ShowDevice(HWND dialog, const char* deviceString);

// Search button: stores the current channel, lets the user pick a device
// for 'deviceString' (the working copy's), shows the channel again.
void ModuleDialog_Search(HWND dialog, char* deviceString, const ChannelBarHooks* hooks);
// Info button: shows the device information when the device connects.
void ModuleDialog_Info(HWND dialog, const char* deviceString);
// Help button: opens the host's help file at 'topic'.
void ModuleDialog_Help(u32 topic);

// Dialog procedures of the kinds, by template.
INT_PTR CALLBACK AnalogIn_DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

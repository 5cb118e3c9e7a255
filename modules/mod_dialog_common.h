// What every module parameter dialog shares, without Windows: the working
// copy of the parameter block, the opening step, the device field with its
// Search and Info buttons, help, copying to all channels, accepting or
// dropping the copy, and the command handling that all kinds have in common.
// Each kind describes its own controls in a ModDialogKind; one dialog
// procedure (mod_dialog_win.cpp) runs all six kinds through these steps.
#pragma once

#include "chanbar_state.h"
#include "mod_dialog_ui.h"
#include "mod_frame.h"

enum { DLG_NO_FIELD = 0xFFFF };

// A channel setting that message 1031 copies to the other channels when its
// control was the one used last.
struct DlgField {
    int control;  // 0 ends a table
    u16 offset;   // in the channel settings
    u16 size;
};
#define DLG_FIELD(type, control, field) DlgField{control, (u16)offsetof(type, field), (u16)sizeof(type::field)}
#define DLG_FIELDS_END DlgField{0, 0, 0}

struct ModDialogKind {
    const ModFrame* frame;
    const char* templateName;
    u32 maxChannels;          // channel buttons the kind can use
    ChannelBarHooks channel;  // show / store the current channel
    const DlgField* fields;   // what 1031 copies, by control
    const int* lastUsedOnFocus;  // controls that become lastControlId when they get the focus; 0 ends
    const int* refreshOnLeave;   // lists that store and re-show the channel when they lose the focus; 0 ends
    u16 realTimeOffset;       // "Realtime" switch in the channel settings, or DLG_NO_FIELD
    bool fieldCopyOnly;       // 1032 copies as 1031 does, not the whole channel settings
    bool timeBase;            // the kind has the time base list
    void (*open)(HWND dialog);                   // the kind's own controls at opening, or null
    bool (*command)(HWND dialog, int id, int code);  // the kind's own commands (true: handled), or null
};

// Working copy of the parameter block of the one module dialog open at a
// time; from the host's NewMemAlloc.
extern void* g_dlgWorkingCopy;
// Channel settings i of the working copy.
u8* ModuleDialog_Channel(const ModDialogKind* k, u32 i);

// WM_INITDIALOG: working copy, bar state, common opening step, the kind's own
// lists, time base list, channel 0, focus on the module name. False when the
// host has no memory: the dialog has been ended with 0.
bool ModuleDialog_Open(HWND dialog, const ModDialogKind* k);
// WM_COMMAND of every control but the channel bar's.
void ModuleDialog_Command(HWND dialog, const ModDialogKind* k, int id, int code);
// 1031: the field of the control used last, from the current channel to
// every other channel in use. 1032: the whole channel settings.
void ModuleDialog_CopyFieldToAll(HWND dialog, const ModDialogKind* k);
void ModuleDialog_CopyChannelToAll(HWND dialog, const ModDialogKind* k);
// Stores the current channel and shows it again.
void ModuleDialog_Refresh(HWND dialog, const ModDialogKind* k);

// Pieces of the kinds' show and store steps. A control that still holds what
// showing its field put there leaves the field's bytes as they are, so that
// Ok without edits leaves the block byte for byte.
// The selected entry of a list into 'index' when it is one of the list's
// entries; false for no selection or one beyond the list, 'index' as it was.
bool ModuleDialog_SelectedEntry(HWND dialog, int id, u32* index);
// A switch stored as 0 or non-zero: set to 1 or 0 only when the check box
// says otherwise than the stored value.
void ModuleDialog_StoreSwitch(HWND dialog, int id, u32* value);
// Device field: field 2 of the device string, its serial number (its address
// when the serial number is empty, since empty fields are not counted);
// "default" when the string has no such field.
void ModuleDialog_DeviceText(const char* deviceString, char* out, size_t size);
void ModuleDialog_ShowDevice(HWND dialog);
void ModuleDialog_ShowName(HWND dialog, const ChannelHead* c);
void ModuleDialog_StoreName(HWND dialog, ChannelHead* c);
void ModuleDialog_ShowUnit(HWND dialog, const ChannelHead* c);
void ModuleDialog_StoreUnit(HWND dialog, ChannelHead* c);
// The port list of the digital kinds: "PA" and one more port per port of the
// device up to "PF"; a stored port beyond the device falls back to "PA"
// (a value of a loaded block: the list never stores one).
void ModuleDialog_ShowPort(HWND dialog, DigitalParams* p);
void ModuleDialog_StorePort(HWND dialog, DigitalParams* p);

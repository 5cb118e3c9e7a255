// Channel selector bar of the module dialogs: channel buttons and arrows.
#pragma once

#include "chanbar_state.h"

// Window procedures of the two control classes.
LRESULT CALLBACK ChannelButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK LessMoreProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "VOV:CONTROLKANAL" and then "VOV:CONTROLLESSMORE" for the plug-in
// instance; a refused registration is not reported.
void ChannelBar_RegisterClasses(void);
void ChannelBar_UnregisterClasses(void);

// Messages to the controls and notifications from the channel buttons.
enum {
    CKM_SETSTATE = 254,      // state word := LOWORD(wParam)
    CKN_LBUTTONDOWN = 1025,  // wParam button window, lParam its state
    CKN_LBUTTONUP = 1026,
    CKN_LBUTTONDBLCLK = 1027,
    CKN_RBUTTONDBLCLK = 1028,
    CKM_DESELECT = 1029,     // state 1 becomes 2
};

// Control ids shared by every module dialog.
enum {
    IDC_BAR_FEWER = 23000,
    IDC_BAR_MORE = 23001,
    IDC_BAR_CHANNEL0 = 23002,  // channel i is 23002 + i
};

void ChannelBar_Refresh(HWND dialog);
void ChannelBar_Step(HWND dialog, int commandId);
void ChannelBar_Select(HWND dialog, HWND button);
void ChannelBar_Jump(HWND dialog, int commandId, u32 target);

// CKN_LBUTTONDOWN and CKN_LBUTTONUP share their numbers with DM_SETDEFID and
// DM_REPOSITION: a dialog treats them as bar notifications only when wParam
// is one of its own channel buttons.
bool ChannelBar_IsChannelButton(HWND dialog, WPARAM wParam);

// The bar handling that every module dialog shares: notifications from its
// channel buttons and the WM_COMMAND 23000/23001 of the arrows (also those
// that ChannelBar_Jump sends). Returns true when the message was the bar's;
// the dialog procedure then returns TRUE. Any other message, including a
// genuine DM_SETDEFID or DM_REPOSITION, gives false.
bool ChannelBar_HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                    const ChannelBarHooks* hooks);

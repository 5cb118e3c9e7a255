// How the module dialogs' steps reach their controls and the dialogs they
// open. On Windows the table wraps the dialog functions of USER32 and the
// device dialogs; native tests install a recording table of their own, so
// that every step of every module dialog also runs without Windows.
#pragma once

#include "kw_types.h"

// Notification codes the module dialogs act on, with their Windows values.
enum {
    DLGN_CLICKED = 0,          // BN_CLICKED
    DLGN_SELCHANGE = 1,        // CBN_SELCHANGE
    DLGN_LIST_SETFOCUS = 3,    // CBN_SETFOCUS
    DLGN_LIST_KILLFOCUS = 4,   // CBN_KILLFOCUS
    DLGN_EDIT_SETFOCUS = 0x100,  // EN_SETFOCUS
};

struct DlgUi {
    void (*setText)(HWND dialog, int id, const char* text);
    // At most size - 1 characters and a terminator; "" for a missing control.
    void (*getText)(HWND dialog, int id, char* buffer, int size);
    // The text as an unsigned decimal number; false when it is none.
    bool (*getUnsigned)(HWND dialog, int id, u32* value);
    void (*check)(HWND dialog, int id, bool on);
    bool (*isChecked)(HWND dialog, int id);
    void (*enable)(HWND dialog, int id, bool on);
    void (*limitText)(HWND dialog, int id, int characters);
    void (*focus)(HWND dialog, int id);
    // Combo boxes.
    void (*listReset)(HWND dialog, int id);
    void (*listAdd)(HWND dialog, int id, const char* text);
    void (*listSelect)(HWND dialog, int id, int index);
    int (*listSelection)(HWND dialog, int id);  // -1 when nothing is selected
    int (*listCount)(HWND dialog, int id);      // entries in the list
    // The dialog as a whole.
    void (*end)(HWND dialog, int result);
    void (*refreshBar)(HWND dialog);  // channel selector states and placement
    // Device selection over the dialog: may replace deviceString (260 bytes).
    void (*selectDevice)(HWND dialog, char* deviceString);
    // Device information over the dialog; false when the device does not connect.
    bool (*showDeviceInfo)(HWND dialog, const char* deviceString);
    void (*help)(u32 topic);  // the host's help file at a topic
};

extern const DlgUi* g_dlgUi;

// Device selection and device information dialogs, opened from every module
// dialog by its Search and Info buttons.
#pragma once

#include "dev_search.h"

// Runs DEVICELIST modally over 'owner'. When the user applies a device other
// than the one in 'deviceString' (DEV_STRING_SIZE bytes), its device string
// is copied there; otherwise the buffer is left alone.
void DEV_SelectDevice(HWND owner, char* deviceString);
// Creates the device list's five columns; the last, hidden one holds each
// row's device string.
void DEV_SetupDeviceList(HWND dialog, HWND owner);
// Fills the device list: network devices (from a new network search when
// 'refresh' is set, else from the driver's last one), then PCI and USB.
void DEV_SearchDevices(HWND dialog, HWND owner, int refresh);

// Info button of the module dialogs: when the device string connects, shows
// DEVICEINFO over 'dialog' and returns true; otherwise does nothing.
bool DEV_ShowDeviceInfo(HWND dialog, const char* deviceString);

// Runs a device dialog modally over 'owner', which stays disabled until the
// dialog ends with DEV_EndModal.
void DEV_RunModal(HWND owner, const char* templateName, DLGPROC proc, LPARAM param);
// Ends a dialog of DEV_RunModal with result 1. Its owner is enabled first,
// as Windows' own modal loop does: while the owner is disabled, Windows gives
// the activation to some other window, often another application's, when
// the dialog hides.
void DEV_EndModal(HWND dialog);

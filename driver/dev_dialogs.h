// Device selection and device information dialogs, opened from every module
// dialog by its Search and Info buttons.
#pragma once

#include "dev_device.h"

enum {
    DEV_PROPERTY_SIZE = 256,  // driver property texts, with terminator
    DEV_ADDRESS_SIZE = 64,    // network address of a search result
};

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

// A driver property text of a connected device into 'out'
// (DEV_PROPERTY_SIZE bytes); empty when it cannot be read.
void DEV_ReadProperty(i32 handle, const char* name, char* out);

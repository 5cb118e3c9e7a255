// Device strings, connection and the device registry shared by all modules.
#pragma once

#include "tarn_host.h"

enum { DEV_STRING_SIZE = 260, DEV_REGISTRY_SLOTS = 16 };

// A device string lives in a module's 260-byte device field, which a damaged
// worksheet may fill without a terminator. Every routine below that takes a
// device string reads at most DEV_STRING_SIZE bytes of it, and a string
// without a terminator within them is invalid: it has no fields and never
// connects (cutting it instead could name another device). So callers pass a
// device field as it is, and the current device string, a copy of a string
// that connected, never exceeds DEV_STRING_SIZE - 1 characters. Only
// DEV_NamingLength, which measures a string still being built, takes longer
// texts.

// One connected device; at most one entry per handle.
struct DevEntry {
    u32 slot;         // own slot index 0..15
    u32 startMarker;  // 0 or 1
    i32 handle;
    u8 configured;    // ConfigMeasure succeeded in this run
    u8 measuring;     // from StartMeasure until StopMeasure
};

// Fields of a device string, counted as the accessors count them.
enum { DEV_FIELD_KIND = 0, DEV_FIELD_HANDLE = 1, DEV_FIELD_SERIAL = 2, DEV_FIELD_ADDRESS = 3 };

// Field accessors: a new copy owned by the caller (free with DEV_FreeString), or null.
char* DEV_GetField(const char* deviceString, int field);
char* DEV_GetKind(const char* deviceString);     // field 0
char* DEV_GetSerial(const char* deviceString);   // field 2
char* DEV_GetAddress(const char* deviceString);  // field 3
void DEV_FreeString(char* s);
// Field 1 as a signed integer (atoi rules); -1 when invalid or absent.
i32 DEV_GetHandleField(const char* deviceString);
// Characters of a terminated string of any length up to the end of field 3,
// the last that connects or is shown (all of them with fewer fields): a cut
// after them leaves the device the string names unchanged.
size_t DEV_NamingLength(const char* text);
// At least 8 and at most DEV_STRING_SIZE - 1 characters, beginning with
// backslash, question mark, backslash.
bool DEV_IsValidString(const char* deviceString);

// Connects the device named by the string: 1 connected (handle set), 0 not (handle -1).
int TVXDeviceUriConnect(const char* deviceString, i32* handle);
// The string of the last successful connection, or null.
const char* DEV_CurrentDeviceString(void);
// Connects at worksheet load and warns, titled with the module name, on failure.
void MOD_RegisterDevice(Module* m, const char* deviceString);

DevEntry* DEV_FindDevice(i32 handle);
DevEntry* DEV_AddDevice(i32 handle);
void DEV_RemoveDevice(DevEntry* entry);
// Empties the registry and forgets the current device string (tests, unload).
void DEV_ResetAll(void);
// Forgets the current device string (part of DEV_ResetAll).
void DEV_ForgetCurrentDeviceString(void);

// Shared run protocol; each returns 1 for success, 0 for failure.
extern const char* const DEV_INVALID_DEVICE_TEXT;  // the warning of a failed connection
// Connects the device string or warns, titled with the module name.
int DEV_RunPrepare(const char* deviceString, const char* moduleName, i32* handle);
void DEV_RunMarkStart(i32 handle);                 // start marker rule
// ConfigMeasure/StartMeasure once per device; *status receives the refusing
// call's status (0 when none refused).
int DEV_RunGo(i32 handle, i32* status);
void DEV_RunStop(i32* handle);                     // first stop stops and disconnects for all

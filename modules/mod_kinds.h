// The six module kinds: what the host is told about each class.
#pragma once

#include "tarn_host.h"

enum ModKindId {
    MOD_ANALOGIN,
    MOD_ANALOGOUT,
    MOD_COUNTERIN,
    MOD_COUNTEROUT,
    MOD_DIGITALIN,
    MOD_DIGITALOUT,
    MOD_KIND_COUNT
};

struct ModKind {
    const char* className;
    u32 paramSize;
    u32 runtimeSize;
    u32 channelSize;
    u32 shortNameId;
    u32 longNameId;
    const char* bitmapName;
    const char* labelEn;  // menu path, English
    const char* labelDe;  // menu path, German (thread locale 1031)
    Handler handler;
    Compute compute;
};

// In registration order.
extern const ModKind g_modKinds[MOD_KIND_COUNT];

// Short (13 characters) and long (39 characters) class names, loaded from the
// string table at registration; the host keeps their addresses.
extern char g_modShortName[MOD_KIND_COUNT][14];
extern char g_modLongName[MOD_KIND_COUNT][42];

i32 KW_CDECL AnalogIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL AnalogIn_Compute(Module* m);
i32 KW_CDECL AnalogOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL AnalogOut_Compute(Module* m);
i32 KW_CDECL CounterIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL CounterIn_Compute(Module* m);
i32 KW_CDECL CounterOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL CounterOut_Compute(Module* m);
i32 KW_CDECL DigitalIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL DigitalIn_Compute(Module* m);
i32 KW_CDECL DigitalOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL DigitalOut_Compute(Module* m);

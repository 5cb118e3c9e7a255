// The module kinds, one row each: what the host is told about the kind's
// class, the frame's values and hooks, and its parameter dialog. A kind's own
// files define the three (g_class<Kind> and g_frame<Kind> in <kind>.cpp,
// g_dialog<Kind> in its dialog source); its row in MOD_KINDS registers it.
#pragma once

#include "tarn_host.h"

struct ModFrame;
struct ModDialogKind;

// What the host is told about one module class.
struct ModClass {
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
// A menu path of the module palette.
#define MOD_MENU_LABEL(text) "Brennholt Kestrelwing//ETH//\"" text "\""

struct ModKind {
    const ModClass* cls;
    const ModFrame* frame;
    const ModDialogKind* dialog;
};

// The kinds in registration order, one row each; a seventh kind adds its own
// files, its resources (dialog template, names, menu bitmap) and its row.
#define MOD_KINDS(ROW) ROW(AnalogIn) ROW(AnalogOut) ROW(CounterIn) ROW(CounterOut) ROW(DigitalIn) ROW(DigitalOut)

#define MOD_KIND_DECLARATIONS(Kind)      \
    extern const ModClass g_class##Kind; \
    extern const ModFrame g_frame##Kind; \
    extern const ModDialogKind g_dialog##Kind;
MOD_KINDS(MOD_KIND_DECLARATIONS)

#define MOD_KIND_ONE(Kind) +1
enum { MOD_KIND_COUNT = 0 MOD_KINDS(MOD_KIND_ONE) };

extern const ModKind g_modKinds[MOD_KIND_COUNT];
// The row of the kind whose frame is 'f'.
const ModKind* MOD_KindOf(const ModFrame* f);

// Short (13 characters) and long (39 characters) class names, one per row,
// loaded from the string table at registration; the host keeps their addresses.
extern char g_modShortName[MOD_KIND_COUNT][14];
extern char g_modLongName[MOD_KIND_COUNT][42];

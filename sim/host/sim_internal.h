// Shared between the simulated host's source files; not for tests.
#pragma once

#include "simhost.h"

// What differs between the native host and the Windows host: handles the
// host hands out and the services that draw into dialogs. Natively the
// handles are dummies and the dialog services do nothing.
struct SimPlatform {
    HINSTANCE hostInstance;
    HWND hostWindow;
    HBITMAP channelBitmaps[4];   // hBitChannel: channel button states
    HBITMAP lessMoreBitmaps[6];  // hBitLessMore: arrow button states
    void (*fillUnitList)(HWND dialog, int controlId, const char* unit);
    void (*fillTimeBaseCombo)(HWND dialog, int controlId, u32 currentTimeBase);
    HFONT (*createFont)(const LOGFONTA* font);
    void (*deleteObject)(HGDIOBJ object);
};
extern SimPlatform g_simPlatform;

// Host service implementations (sim_services.cpp, sim_blocks.cpp).
void* KW_CDECL SIM_NewMemAlloc(u32 size, const char* tag, int line);
void KW_CDECL SIM_NewDoMemFree(void* p, const char* tag, int line);
int KW_CDECL SIM_DefineDllModule(void);
int KW_CDECL SIM_DefineDllVariable(const char* name, void* address, u32 size);
int KW_CDECL SIM_RegisterModuleClass(void* classRecord);
i32 KW_CDECL SIM_PerformDefaultAction(Module* m, u32 msg, u32 wParam, u32 lParam);
Block* KW_CDECL SIM_GetCurrentOutputBlock(Fifo* f);
void KW_CDECL SIM_NewReleaseOutputBlock(Fifo* f, const char* tag, int line);
Block* KW_CDECL SIM_GetInputBlock(Module* m, u32 input);
void KW_CDECL SIM_NewReleaseInputBlock(Module* m, u32 input, const char* tag, int line);
void KW_CDECL SIM_ChangeModuleSize(Module* m, u32 inputs, u32 outputs);
void KW_CDECL SIM_ChangeModuleName(Module* m, const char* name);
void KW_CDECL SIM_CopyChannelName(Fifo* f, const char* name);
void KW_CDECL SIM_FillUnitList(HWND dialog, int controlId, const char* unit);
void KW_CDECL SIM_ShowWarning(const char* moduleName, const char* text);
void KW_CDECL SIM_ShowInternalError(const char* text, const char* tag, int line);
void KW_CDECL SIM_StopExperiment(void);
HFONT KW_CDECL SIM_CreateStackedFontIndirect(const LOGFONTA* font);
void KW_CDECL SIM_DeleteStackedObject(HGDIOBJ object);
void KW_CDECL SIM_SetMenuForGlobalStrings(HWND dialog, int controlId);
void KW_CDECL SIM_SetMenuForGlobalVars(HWND dialog, int controlId);
void KW_CDECL SIM_GlStr_RegisterByText(const char* text, Module* m, Handler h);
void KW_CDECL SIM_GlStr_UnregisterByText(const char* text, Module* m, Handler h);
void KW_CDECL SIM_GlVar_RegisterByNumber(int number, Module* m, Handler h);
void KW_CDECL SIM_GlVar_UnregisterByNumber(int number, Module* m, Handler h);
int KW_CDECL SIM_GlVar_Get(int number, double* value);
int KW_CDECL SIM_GlVar_SetSyntax(char* text, int number);
int KW_CDECL SIM_ExpandVarNumber(const char* text, int size, i16* number);
int KW_CDECL SIM_TarnovaInsertMenu(const char* text);
void KW_CDECL SIM_RegisterMenuEntry(u32 commandId, MenuCommand command);
u32 KW_CDECL SIM_GetTimeBaseBlockSize(u32 timeBase);
double KW_CDECL SIM_GetTimeBaseSampleDistance(u32 timeBase);
double KW_CDECL SIM_GetTimeBaseTime(u32 timeBase);
void KW_CDECL SIM_FillTimeBaseCombo(HWND dialog, int controlId, u32 currentTimeBase);
u32 KW_CDECL SIM_GetTimeBaseComboID(int selectionIndex);

int SH_FindClass(const char* className);  // class index, or -1
SimModule* SH_ModuleOf(const Module* record);

// Records a misuse of the host that the plug-in should not commit.
void SIM_Fault(const char* format, ...);
// Output of a module by its fifo descriptor, or nullptr.
SimOutput* SIM_FindOutput(Fifo* f, SimModule** module, u32* index);
// Current host clock: live in a real-time run, else the run loop's value.
double SIM_ClockNow(void);
// The module's name; the field need not be terminated.
std::string SIM_ModuleName(const Module* record);
// Allocates an empty module of a class (no message sent); frees one.
SimModule* SIM_NewModule(int classIndex);
void SIM_FreeModule(SimModule* module);

// Counts a released or fed block into a stream and keeps its values, or
// hands it to the sink (module null for a source).
void SIM_Deliver(SimStream* stream, SimModule* module, u32 index, const Block* block);

// Next blank-separated word of *at, which moves past it; false at the end.
bool SIM_NextWord(const char** at, std::string* word);
// The shortest text that reads back as the same double.
std::string SIM_Number(double value);

// Sources (sim_sources.cpp).
std::string SIM_SourceDescription(const SimSource& source);  // as SH_AddSource reads it
// Sources start with the block in progress at 'from' (0: their first).
void SIM_StartSources(double from);
void SIM_FeedSources(double clock);  // feeds the blocks complete at 'clock'

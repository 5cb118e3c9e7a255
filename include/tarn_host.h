// Binary contract with the Tarnova host: records, message codes, services.
//
// Records are packed exactly as the host lays them out. Offsets are checked
// in the 32-bit build; natively (unit tests) pointers are wider and the
// checks are skipped, so code reaches fields only through these structs.
#pragma once

#include "kw_types.h"

#pragma pack(push, 1)

// Output fifo descriptor, one per module output.
struct Fifo {
    u32 blockSize;          // values per block
    double sampleDistance;  // seconds between values
    u16 kind;               // fifo kind
};
KW_ASSERT_OFFSET(Fifo, blockSize, 0);
KW_ASSERT_OFFSET(Fifo, sampleDistance, 4);
KW_ASSERT_OFFSET(Fifo, kind, 12);

// Data block; input and output blocks share the layout.
struct Block {
    u8 host[6];
    double startTime;
    double sampleDistance;
    u16 count;
    float values[];  // count values
};
KW_ASSERT_OFFSET(Block, startTime, 6);
KW_ASSERT_OFFSET(Block, sampleDistance, 14);
KW_ASSERT_OFFSET(Block, count, 22);
KW_ASSERT_OFFSET(Block, values, 24);

enum { KW_MAX_CHANNELS = 16 };

// Host module record: the fields the plug-in uses, the rest kept opaque.
struct Module {
    HWND window;
    u8 host4[12];
    u32 active;
    u8 host20[20];
    char name[13];
    char description[41];
    u8 host94[24];
    u32 inputCount;
    u8 host122[704];
    u32 outputCount;
    u16 host830;
    u8 host832[64];
    Fifo* outputFifo[KW_MAX_CHANNELS];
    void* params;
    void* runtime;
    void* channel[KW_MAX_CHANNELS];
};
KW_ASSERT_OFFSET(Module, window, 0);
KW_ASSERT_OFFSET(Module, active, 16);
KW_ASSERT_OFFSET(Module, name, 40);
KW_ASSERT_OFFSET(Module, description, 53);
KW_ASSERT_OFFSET(Module, inputCount, 118);
KW_ASSERT_OFFSET(Module, outputCount, 826);
KW_ASSERT_OFFSET(Module, host830, 830);
KW_ASSERT_OFFSET(Module, outputFifo, 896);
KW_ASSERT_OFFSET(Module, params, 960);
KW_ASSERT_OFFSET(Module, runtime, 964);
KW_ASSERT_OFFSET(Module, channel, 968);

// Action description record (message 124), host-owned.
struct ActionDesc {
    HINSTANCE instance;
    u32 action;
    char key[20];
    u32 flag1;
    u32 commandNameId;
    u32 valueNameId;
    u8 host40[12];
    u32 flag2;
};
KW_ASSERT_OFFSET(ActionDesc, action, 4);
KW_ASSERT_OFFSET(ActionDesc, key, 8);
KW_ASSERT_OFFSET(ActionDesc, flag1, 28);
KW_ASSERT_OFFSET(ActionDesc, commandNameId, 32);
KW_ASSERT_OFFSET(ActionDesc, valueNameId, 36);
KW_ASSERT_OFFSET(ActionDesc, flag2, 52);

// Channel text transfer block (messages 167, 168); holds no pointers.
struct ChannelTexts {
    u32 host0;
    u32 namesPresent;
    u32 unitsPresent;
    u32 host12;
    struct { char name[20]; u8 pad[4]; } names[KW_MAX_CHANNELS];
    u8 host400[64];
    char units[KW_MAX_CHANNELS][64];
};
static_assert(offsetof(ChannelTexts, namesPresent) == 4, "ChannelTexts.namesPresent");
static_assert(offsetof(ChannelTexts, unitsPresent) == 8, "ChannelTexts.unitsPresent");
static_assert(offsetof(ChannelTexts, names) == 16, "ChannelTexts.names");
static_assert(offsetof(ChannelTexts, units) == 464, "ChannelTexts.units");

typedef i32(KW_CDECL* Handler)(Module* m, u32 msg, u32 wParam, u32 lParam);
typedef i32(KW_CDECL* Compute)(Module* m);
typedef void(KW_CDECL* MenuCommand)(void);

// Module class record handed to RegisterModuleClass.
struct ClassRecord {
    HINSTANCE instance;
    const char* className;
    u32 paramSize;
    u32 runtimeSize;
    u32 channelSize;
    u32 nameId;
    char* shortName;
    char* longName;
    u32 reserved32[3];
    HBITMAP paletteBitmap;
    HBITMAP moduleBitmap;
    Handler handler;
    Compute compute;
    u8 reserved60[120];
};
KW_ASSERT_OFFSET(ClassRecord, className, 4);
KW_ASSERT_OFFSET(ClassRecord, paramSize, 8);
KW_ASSERT_OFFSET(ClassRecord, nameId, 20);
KW_ASSERT_OFFSET(ClassRecord, shortName, 24);
KW_ASSERT_OFFSET(ClassRecord, longName, 28);
KW_ASSERT_OFFSET(ClassRecord, paletteBitmap, 44);
KW_ASSERT_OFFSET(ClassRecord, moduleBitmap, 48);
KW_ASSERT_OFFSET(ClassRecord, handler, 52);
KW_ASSERT_OFFSET(ClassRecord, compute, 56);
KW_ASSERT_SIZE(ClassRecord, 180);

#pragma pack(pop)

// Binding protocol: SendMessageA(hostWindow, code, 0, (LPARAM)name).
enum { TARN_MSG_GET_VARIABLE = 30000, TARN_MSG_GET_FUNCTION = 30001 };

// Host module messages.
enum HostMessage : u32 {
    DQM_UNREGISTER_CLASS = 1,
    DQM_CHECK_CONNECTIONS = 2,
    DMM_CREATE_MODULE = 101,
    DMM_DELETE_MODULE = 102,
    DMM_PARAM_MODULE = 103,
    DMM_SAVE_MODULE = 104,
    DMM_LOAD_MODULE = 105,
    DMM_START_MODULE = 106,
    DMM_STOP_MODULE = 107,
    DMM_SAVE_WINDOW_POS = 113,
    DMM_DEL_WINDOW_POS = 114,
    DMM_DEL_ALL_WINDOW_POS = 115,
    DMM_QUERY_MODULE_ACTION = 117,
    DMM_MODULE_ACTION = 118,
    DMM_CLEAR_SYNC_MODULE_ACTIONS = 123,
    DMM_DESCRIBE_MODULE_ACTION = 124,
    DMM_GO_MODULE = 128,
    DMM_REFRESH_148 = 148,
    DMM_REFRESH_149 = 149,
    DMM_PUBLISH_CHANNEL_NAMES = 151,
    DMM_GET_PARAM_DESCRIPTION = 154,
    DMM_PREPARE_START_MODULE = 155,
    DMM_GET_EXTRA_PARAM_SIZE = 156,
    DMM_ACTIVATE_WORKSHEET = 159,
    DMM_ACTIVATE_LAYOUT = 160,
    DMM_ACTIVATE_DISPLAY_WND = 161,
    DMM_COPY_DEFAULT_FONT = 162,
    DMM_EXPORT_CHANNEL_TEXTS = 167,
    DMM_IMPORT_CHANNEL_TEXTS = 168,
    DMM_NOP_170 = 170,
    DMM_NOP_172 = 172,
    DCM_SETUP_FIFO = 201,
    DCM_GET_UNIT = 202,
};

// Prototypes of the host services the plug-in calls (all __cdecl).
typedef void*(KW_CDECL* PFN_NewMemAlloc)(u32 size, const char* tag, int line);
typedef void(KW_CDECL* PFN_NewDoMemFree)(void* p, const char* tag, int line);
typedef int(KW_CDECL* PFN_DefineDllModule)(void);
typedef int(KW_CDECL* PFN_DefineDllVariable)(const char* name, void* address, u32 size);
typedef int(KW_CDECL* PFN_RegisterModuleClass)(void* classRecord);
typedef i32(KW_CDECL* PFN_PerformDefaultAction)(Module* m, u32 msg, u32 wParam, u32 lParam);
typedef Block*(KW_CDECL* PFN_GetCurrentOutputBlock)(Fifo* f);
typedef void(KW_CDECL* PFN_NewReleaseOutputBlock)(Fifo* f, const char* tag, int line);
typedef Block*(KW_CDECL* PFN_GetInputBlock)(Module* m, u32 input);
typedef void(KW_CDECL* PFN_NewReleaseInputBlock)(Module* m, u32 input, const char* tag, int line);
typedef void(KW_CDECL* PFN_ChangeModuleSize)(Module* m, u32 inputs, u32 outputs);
typedef void(KW_CDECL* PFN_ChangeModuleName)(Module* m, const char* name);
typedef void(KW_CDECL* PFN_CopyChannelName)(Fifo* f, const char* name);
typedef void(KW_CDECL* PFN_FillUnitList)(HWND dialog, int controlId, const char* unit);
typedef void(KW_CDECL* PFN_ShowWarning)(const char* moduleName, const char* text);
typedef void(KW_CDECL* PFN_ShowInternalError)(const char* text, const char* tag, int line);
typedef void(KW_CDECL* PFN_StopExperiment)(void);
typedef HFONT(KW_CDECL* PFN_CreateStackedFontIndirect)(const LOGFONTA* font);
typedef void(KW_CDECL* PFN_DeleteStackedObject)(HGDIOBJ object);
typedef void(KW_CDECL* PFN_SetMenuForGlobalStrings)(HWND dialog, int controlId);
typedef void(KW_CDECL* PFN_SetMenuForGlobalVars)(HWND dialog, int controlId);
typedef void(KW_CDECL* PFN_GlStr_RegisterByText)(const char* text, Module* m, Handler h);
typedef void(KW_CDECL* PFN_GlStr_UnregisterByText)(const char* text, Module* m, Handler h);
typedef void(KW_CDECL* PFN_GlVar_RegisterByNumber)(int number, Module* m, Handler h);
typedef void(KW_CDECL* PFN_GlVar_UnregisterByNumber)(int number, Module* m, Handler h);
typedef int(KW_CDECL* PFN_GlVar_Get)(int number, double* value);
typedef int(KW_CDECL* PFN_GlVar_SetSyntax)(char* text, int number);
typedef int(KW_CDECL* PFN_ExpandVarNumber)(const char* text, int size, i16* number);
typedef int(KW_CDECL* PFN_TarnovaInsertMenu)(const char* text);
typedef void(KW_CDECL* PFN_RegisterMenuEntry)(u32 commandId, MenuCommand command);
typedef u32(KW_CDECL* PFN_GetTimeBaseBlockSize)(u32 timeBase);
typedef double(KW_CDECL* PFN_GetTimeBaseSampleDistance)(u32 timeBase);
typedef double(KW_CDECL* PFN_GetTimeBaseTime)(u32 timeBase);
typedef void(KW_CDECL* PFN_FillTimeBaseCombo)(HWND dialog, int controlId, u32 currentTimeBase);
typedef u32(KW_CDECL* PFN_GetTimeBaseComboID)(int selectionIndex);
// Bound but never called: the type does not matter.
typedef void* PFN_Unused;

// Host variables, requested with message 30000 in this order.
// X(field, "name", checked): checked 0 marks the switches that may be 0.
#define TARN_HOST_VARIABLES(X)                                  \
    X(hInstTarn, "hInstTarn", 1)                                \
    X(MainMenu, "MainMenu", 1)                                  \
    X(GlobalModuleClass, "GlobalModuleClass", 1)                \
    X(p_hwndDesk, "&hwndDesk", 1)                               \
    X(p_Module, "&Module", 1)                                   \
    X(p_ViewModule, "&ViewModule", 1)                           \
    X(p_wNumberOfModules, "&wNumberOfModules", 1)               \
    X(p_uiHighModuleNumber, "&uiHighModuleNumber", 1)           \
    X(p_CurrentModule, "&CurrentModule", 1)                     \
    X(p_CurrentModulePtr, "&CurrentModulePtr", 1)               \
    X(uiVersionsTyp, "uiVersionsTyp", 1)                        \
    X(uiDistributorTyp, "uiDistributorTyp", 1)                  \
    X(bDateDayLeadingZero, "bDateDayLeadingZero", 0)            \
    X(bDateMonthLeadingZero, "bDateMonthLeadingZero", 0)        \
    X(bDateYearLong, "bDateYearLong", 0)                        \
    X(wDateFormat, "wDateFormat", 0)                            \
    X(bTime24h, "bTime24h", 0)                                  \
    X(bTimeLeadingZero, "bTimeLeadingZero", 0)                  \
    X(TimeTrenn, "TimeTrenn", 1)                                \
    X(DezTrenn, "DezTrenn", 1)                                  \
    X(bDecLeadingZero, "bDecLeadingZero", 0)                    \
    X(DateTrenn, "DateTrenn", 1)                                \
    X(p_bDisplayWithoutWnd, "&bDisplayWithoutWnd", 1)           \
    X(p_bPauseIsDisabled, "&bPauseIsDisabled", 1)               \
    X(p_LAYER_OutputParam, "&LAYER_OutputParam", 1)             \
    X(p_StreamOptionen, "&StreamOptionen", 1)                   \
    X(p_TempStreamOptionen, "&TempStreamOptionen", 1)           \
    X(p_CJ_Refs, "&CJ_Refs", 1)                                 \
    X(p_CJ_Temp, "&CJ_Temp", 1)                                 \
    X(hBitChannel, "hBitChannel", 1)                            \
    X(hBitLessMore, "hBitLessMore", 1)                          \
    X(hDkGrayPen, "hDkGrayPen", 1)                              \
    X(hPipePenRed, "hPipePenRed", 1)                            \
    X(hPipePenGreen, "hPipePenGreen", 1)                        \
    X(hLightRedBrush, "hLightRedBrush", 1)                      \
    X(hGreenBrush, "hGreenBrush", 1)                            \
    X(InitialStartupDir, "InitialStartupDir", 1)                \
    X(ExeFileDir, "ExeFileDir", 1)                              \
    X(NameOfFlowChart, "NameOfFlowChart", 1)                    \
    X(FullNameOfFlowChart, "FullNameOfFlowChart", 1)            \
    X(ProgFileNameIni, "ProgFileNameIni", 1)                    \
    X(DefStreamingDir, "DefStreamingDir", 1)                    \
    X(DefFlowchartDir, "DefFlowchartDir", 1)                    \
    X(DefDataDir, "DefDataDir", 1)                              \
    X(DefDeviceDir, "DefDeviceDir", 1)                          \
    X(DefUtilityDir, "DefUtilityDir", 1)                        \
    X(FlowChartAuthor, "GlobalFlowChartInfo.Author", 1)         \
    X(FlowChartCompany, "GlobalFlowChartInfo.Company", 1)       \
    X(FlowChartDepartment, "GlobalFlowChartInfo.Department", 1) \
    X(FlowChartTitle, "GlobalFlowChartInfo.Title", 1)           \
    X(FlowChartInfo, "GlobalFlowChartInfo.Info", 1)             \
    X(DapSetup, "DapSetup", 1)                                  \
    X(p_ExperimentStartTime, "&ExperimentStartTime", 1)         \
    X(p_StartingTimeTicks, "&StartingTimeTicks", 1)             \
    X(p_SysInfo, "&SysInfo", 1)                                 \
    X(p_SysOpt, "&SysOpt", 1)                                   \
    X(p_DdeInstance, "&DdeInstance", 1)                         \
    X(p_ToolTip, "&ToolTip", 1)                                 \
    X(p_nWindowOrder, "&nWindowOrder", 1)

// Host functions, requested with message 30001 in this order.
// X(name, pointer type)
#define TARN_HOST_FUNCTIONS(X)                                    \
    X(NewMemAlloc, PFN_NewMemAlloc)                               \
    X(NewMemReAlloc, PFN_Unused)                                  \
    X(NewDoMemFree, PFN_NewDoMemFree)                             \
    X(DefineDllModule, PFN_DefineDllModule)                       \
    X(DefineDllVariable, PFN_DefineDllVariable)                   \
    X(RegisterModuleClass, PFN_RegisterModuleClass)               \
    X(PerformDefaultAction, PFN_PerformDefaultAction)             \
    X(NewReleaseOutputBlock, PFN_NewReleaseOutputBlock)           \
    X(GetCurrentOutputBlock, PFN_GetCurrentOutputBlock)           \
    X(GetInputFifo, PFN_Unused)                                   \
    X(GetInputBlock, PFN_GetInputBlock)                           \
    X(NewReleaseInputBlock, PFN_NewReleaseInputBlock)             \
    X(ChangeModuleSize, PFN_ChangeModuleSize)                     \
    X(ChangeModuleName, PFN_ChangeModuleName)                     \
    X(ChangeNameInString, PFN_Unused)                             \
    X(SendModuleMessage, PFN_Unused)                              \
    X(SendModChanMessage, PFN_Unused)                             \
    X(CopyChannelName, PFN_CopyChannelName)                       \
    X(FillUnitList, PFN_FillUnitList)                             \
    X(MODUL_InitAll, PFN_Unused)                                  \
    X(MODUL_DestroyAll, PFN_Unused)                               \
    X(InitMatrixNew, PFN_Unused)                                  \
    X(ShowWarning, PFN_ShowWarning)                               \
    X(EnableAllWindows, PFN_Unused)                               \
    X(ShowInternalError, PFN_ShowInternalError)                   \
    X(StopExperiment, PFN_StopExperiment)                         \
    X(PauseExperiment, PFN_Unused)                                \
    X(CurrentExperimentTime, PFN_Unused)                          \
    X(DispatchQueuedMessages, PFN_Unused)                         \
    X(BBox_FullEnter, PFN_Unused)                                 \
    X(BBox_FullLeave, PFN_Unused)                                 \
    X(BBox_LightEnter, PFN_Unused)                                \
    X(BBox_LightLeave, PFN_Unused)                                \
    X(CreateSatellite, PFN_Unused)                                \
    X(UpdateSatellite, PFN_Unused)                                \
    X(RemoveUselessSatellites, PFN_Unused)                        \
    X(CreateStackedPen, PFN_Unused)                               \
    X(CreateStackedPenIndirect, PFN_Unused)                       \
    X(CreateStackedFontIndirect, PFN_CreateStackedFontIndirect)   \
    X(CreateStackedSolidBrush, PFN_Unused)                        \
    X(CreateStackedBrushIndirect, PFN_Unused)                     \
    X(DeleteStackedObject, PFN_DeleteStackedObject)               \
    X(do_fft, PFN_Unused)                                         \
    X(EditText, PFN_Unused)                                       \
    X(LoadInterpolationTable, PFN_Unused)                         \
    X(LoadTableFromFile, PFN_Unused)                              \
    X(SearchForFileToLoad, PFN_Unused)                            \
    X(DoesFileExistAndMsg, PFN_Unused)                            \
    X(AskForFilenameChange, PFN_Unused)                           \
    X(CheckCreateDir, PFN_Unused)                                 \
    X(InitPrinter, PFN_Unused)                                    \
    X(PrintHeader, PFN_Unused)                                    \
    X(ExitPrinter, PFN_Unused)                                    \
    X(PrintFooter, PFN_Unused)                                    \
    X(NextPage, PFN_Unused)                                       \
    X(CheckedCreateFile, PFN_Unused)                              \
    X(CheckedOpenFile, PFN_Unused)                                \
    X(CreateAndShowToolTipWindow, PFN_Unused)                     \
    X(SendPanelMessage, PFN_Unused)                               \
    X(GlStr_RegisterByText, PFN_GlStr_RegisterByText)             \
    X(GlStr_UnregisterByText, PFN_GlStr_UnregisterByText)         \
    X(ExpandString, PFN_Unused)                                   \
    X(ExpandStringNumber, PFN_Unused)                             \
    X(ExpandVarNumber, PFN_ExpandVarNumber)                       \
    X(ExpandUnitString, PFN_Unused)                               \
    X(ExpandUnit, PFN_Unused)                                     \
    X(GlStr_RegisterByNumber, PFN_Unused)                         \
    X(GlStr_UnregisterByNumber, PFN_Unused)                       \
    X(GlStr_Set, PFN_Unused)                                      \
    X(GlStr_Get, PFN_Unused)                                      \
    X(GlStr_PrefixGet, PFN_Unused)                                \
    X(GlVar_RegisterByNumber, PFN_GlVar_RegisterByNumber)         \
    X(GlVar_UnregisterByNumber, PFN_GlVar_UnregisterByNumber)     \
    X(GlVar_Set, PFN_Unused)                                      \
    X(GlVar_Get, PFN_GlVar_Get)                                   \
    X(GlVar_PrefixGet, PFN_Unused)                                \
    X(GlVar_VarStringGet, PFN_Unused)                             \
    X(GlVar_SetSyntax, PFN_GlVar_SetSyntax)                       \
    X(GlStr_SetSyntax, PFN_Unused)                                \
    X(SetMenuForGlobalStrings, PFN_SetMenuForGlobalStrings)       \
    X(SetMenuForGlobalVars, PFN_SetMenuForGlobalVars)             \
    X(DeleteMenuForGlobalStrings, PFN_Unused)                     \
    X(DeleteMenuForGlobalVars, PFN_Unused)                        \
    X(ShowVarsAndSelect, PFN_Unused)                              \
    X(DsbHasChanged, PFN_Unused)                                  \
    X(RegisterMenuEntry, PFN_RegisterMenuEntry)                   \
    X(RegisterExtraMemory, PFN_Unused)                            \
    X(FindModuleByName, PFN_Unused)                               \
    X(AddExtMemInstance, PFN_Unused)                              \
    X(RemoveExtMemInstance, PFN_Unused)                           \
    X(RegisterNewWorksheetNotification, PFN_Unused)               \
    X(RegisterTimeBase, PFN_Unused)                               \
    X(UnregisterTimeBase, PFN_Unused)                             \
    X(SetTimeBase, PFN_Unused)                                    \
    X(SetTimeBaseTime, PFN_Unused)                                \
    X(IncTimeBaseTime, PFN_Unused)                                \
    X(GetTimeBaseBlockSize, PFN_GetTimeBaseBlockSize)             \
    X(GetTimeBaseSampleDistance, PFN_GetTimeBaseSampleDistance)   \
    X(GetTimeBaseTime, PFN_GetTimeBaseTime)                       \
    X(FillTimeBaseCombo, PFN_FillTimeBaseCombo)                   \
    X(GetTimeBaseComboID, PFN_GetTimeBaseComboID)                 \
    X(TimeBaseDialog, PFN_Unused)                                 \
    X(ScanStringForGlobals, PFN_Unused)                           \
    X(GlvoModuleNotifyGlobalVar, PFN_Unused)                      \
    X(TarnovaInsertMenu, PFN_TarnovaInsertMenu)

enum { TARN_HOST_VARIABLE_COUNT = 59, TARN_HOST_FUNCTION_COUNT = 105 };

// Host service table: one slot per requested name, written once at binding.
struct HostServices {
#define KW_HOST_VAR_FIELD(field, name, checked) uintptr_t field;
    TARN_HOST_VARIABLES(KW_HOST_VAR_FIELD)
#undef KW_HOST_VAR_FIELD
#define KW_HOST_FN_FIELD(name, type) type name;
    TARN_HOST_FUNCTIONS(KW_HOST_FN_FIELD)
#undef KW_HOST_FN_FIELD
};
static_assert(sizeof(HostServices) ==
                  (TARN_HOST_VARIABLE_COUNT + TARN_HOST_FUNCTION_COUNT) * sizeof(void*),
              "one slot per host name");

// Names of the plug-in's own variables, announced with DefineDllVariable.
struct PluginVariables {
    double fGlobalMilliSecondsPerSample;
    u32 uiGlobalBlockSize;
    BOOL bAnimation;
    BOOL bExperimentIsRunning;
    BOOL bExperimentIsPaused;
    u32 dwExperimentStartTimeTicks;
    u32 BBoxModul;
};

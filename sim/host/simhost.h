// Simulated Tarnova host: a stand-in for tests and the demo.
//
// The host answers the plug-in's binding requests from its own tables, keeps
// module records with their parameter blocks, time bases and output streams,
// saves and loads worksheets and runs experiments. Everything it is asked is
// recorded so that tests can check what the plug-in did.
//
// The core is portable. Natively, tests bind the plug-in's portable code
// directly with SH_Request as the request function; on Windows a hidden host
// window answers the binding messages and the plug-in DLL is loaded for real
// (SHW_* below).
//
// Host choices that a test may rely on:
// - Module records, parameter blocks, runtime areas, 16 channel runtime
//   records (when the class announces a size) and 16 output fifo
//   descriptors are allocated zero-filled; the active field is 1.
// - A new module is named after its class's short name and a number counted
//   per class from 1 ("AnalogIn1").
// - PerformDefaultAction answers 0 to the query messages (2, 117, 118, 124,
//   154, 156, 167, 168, 202) and 1 to everything else.
// - Global variable references are written "{V<n>}" (GlVar_SetSyntax) and
//   recognised in that form (ExpandVarNumber).
// - Run order: every module gets DMM_PUBLISH_CHANNEL_NAMES, then the phases
//   run across all modules: DMM_PREPARE_START_MODULE, DCM_SETUP_FIFO per
//   output (fifo kind written first), DMM_START_MODULE, DMM_GO_MODULE. A 0 in
//   any phase refuses the start: every module that got the prepare message,
//   the refusing one included, then gets DMM_STOP_MODULE so that devices
//   connected so far are released. A started run calls every module's compute
//   function once per cycle and ends with DMM_STOP_MODULE to every module.
// - The plug-in's bExperimentIsRunning is 1 from the first start message to
//   the last stop message. Compute is called while paused too; pausing only
//   sets the plug-in's bExperimentIsPaused (the modules then hold blocks).
// - One clock serves every time base: 0 when the run begins, advanced by the
//   run's step before each cycle, or read from the system clock in real time.
#pragma once

#include "tarn_host.h"

#include <deque>
#include <string>
#include <vector>

// ---- Records -------------------------------------------------------------

struct SimRequest {  // one binding request, in order
    u32 message;     // TARN_MSG_GET_VARIABLE or TARN_MSG_GET_FUNCTION
    std::string name;
};

struct SimVariable {  // one DefineDllVariable call
    std::string name;
    void* address;
    u32 size;
};

struct SimClass {          // one RegisterModuleClass call
    ClassRecord record;    // the 180 bytes as handed over
    std::string className; // copies of the texts the record points at
    std::string shortName;
    std::string longName;
    u32 created;  // modules created so far (numbers the names)
};

struct SimMenuCommand {
    u32 commandId;
    MenuCommand command;
};

struct SimWarning {
    std::string module, text;
};

struct SimInternalError {
    std::string text, tag;
    int line;
};

struct SimGlobalString {  // one GlStr_RegisterByText / GlStr_UnregisterByText
    bool registered;      // false: unregistered
    std::string text;     // the text at the address at the time of the call
    const char* address;
    Module* module;
    Handler handler;
};

struct SimGlobalVarUse {  // one GlVar_RegisterByNumber / GlVar_UnregisterByNumber
    bool registered;
    int number;
    Module* module;
    Handler handler;
};

struct SimChannelName {  // one CopyChannelName
    Fifo* fifo;
    std::string name;
};

struct SimModuleChange {  // one ChangeModuleSize or ChangeModuleName
    Module* module;
    bool isName;          // true: name; false: size
    u32 inputs, outputs;  // ChangeModuleSize
    std::string name;     // ChangeModuleName
};

struct SimMessage {  // one message the host sent to a module
    struct SimModule* module;
    u32 msg, wParam, lParam;
    i32 result;
};

struct SimDefaultAction {  // one PerformDefaultAction call
    Module* module;
    u32 msg, wParam, lParam;
};

// ---- Streams and modules --------------------------------------------------

struct SimBlockInfo {  // one released output block
    double startTime;
    double sampleDistance;
    u16 count;
    size_t firstValue;  // index of its first value in SimStream::values
};

// What one output delivered. The counters are kept even when a sink takes
// the blocks instead of the recording.
struct SimStream {
    std::vector<SimBlockInfo> blocks;
    std::vector<float> values;
    u64 blockCount;
    u64 sampleCount;
    u64 gaps;            // blocks whose first sample index does not follow on
    i64 nextIndex;       // expected first sample index of the next block
    bool hasNext;
};

struct SimOutput {
    Fifo fifo;                // the descriptor the module record points at
    std::string channelName;  // last CopyChannelName for this descriptor
    std::vector<u8> block;    // current block: header and 'capacity' values
    u32 capacity;             // fifo block size at set-up
    SimStream stream;
};

struct SimInput {
    std::deque<std::vector<u8>> queue;  // blocks waiting, front first
    u64 released;
};

struct SimModule {
    Module* record;  // host module record handed to handler and compute
    int classIndex;  // into g_sim.classes
    SimOutput out[KW_MAX_CHANNELS];
    SimInput in[KW_MAX_CHANNELS];
    u64 computeCalls;
    u64 computeTrue;  // compute calls that returned non-zero
};

struct SimTimeBase {
    u32 id;  // 1 is the single-value time base
    double sampleDistance;
    u32 blockSize;
};

// Receives every released output block instead of the recording.
typedef void (*SimBlockSink)(void* context, SimModule* module, u32 output, const Block* block);

// ---- Configuration ----------------------------------------------------------

struct SimKnobs {
    std::vector<std::string> missing;  // names answered with 0 (either message)
    int refuseDefineVariable;          // n > 0: the n-th DefineDllVariable returns 0
    bool refuseDefineModule;           // DefineDllModule returns 0
    bool refuseInsertMenu;             // TarnovaInsertMenu returns 0
    // Values of the seven unchecked switches.
    u32 bDateDayLeadingZero, bDateMonthLeadingZero, bDateYearLong, wDateFormat;
    u32 bTime24h, bTimeLeadingZero, bDecLeadingZero;
    char dezTrenn[8];      // decimal separator, "." by default
    char exeFileDir[260];  // directory of the host program
};

struct SimRunOptions {
    double seconds;   // run length on the host clock
    double step;      // clock advance per cycle; in real time the cycle period
    bool realTime;    // clock from the system's monotonic clock
    u64 maxCycles;    // 0: no limit
    u16 fifoKind;     // written into each output descriptor before set-up (21)
    // Called before each cycle's compute calls with the cycle number counted
    // from 0 (tests pause, stop or feed inputs here); 0 ends the run.
    int (*onCycle)(void* context, u64 cycle);
    void* context;
};

// ---- Host state ---------------------------------------------------------------

struct SimHost {
    SimKnobs knobs;

    // Records, in call order.
    std::vector<SimRequest> requests;
    std::vector<SimVariable> variables;
    u32 defineModuleCalls;
    std::vector<std::string> menuTexts;  // TarnovaInsertMenu texts, refused ones too
    std::vector<SimClass> classes;
    std::vector<SimMenuCommand> menuCommands;
    std::vector<SimWarning> warnings;
    std::vector<SimInternalError> internalErrors;
    u32 stopExperimentCalls;
    std::vector<SimGlobalString> globalStrings;
    std::vector<SimGlobalVarUse> globalVarUses;
    std::vector<SimChannelName> channelNames;
    std::vector<SimModuleChange> moduleChanges;
    std::vector<SimMessage> messages;
    std::vector<SimDefaultAction> defaultActions;
    std::vector<std::string> traps;     // unused services that were called
    std::vector<std::string> faults;    // host-detected misuse (unknown fifo, ...)
    i64 liveAllocations;                // NewMemAlloc minus NewDoMemFree

    // Worksheet and experiment.
    std::vector<SimModule*> modules;
    std::vector<SimTimeBase> timeBases;
    std::vector<std::pair<int, double>> globalVars;  // GlVar_Get answers
    Module* currentModule;                             // behind &CurrentModulePtr
    bool running, paused, stopRequested;
    double clock;  // seconds since the run began
    SimBlockSink sink;
    void* sinkContext;
};

// The host's state. Its link name is g_simHost, so that it can share a
// native program with the simulated driver, whose own state is g_sim; the
// host's users write g_sim.
extern SimHost g_simHost;
#define g_sim g_simHost

// ---- Host operations ------------------------------------------------------------

// Frees every module and restores the defaults: no records, time base 1
// (10 ms, block 1) and time base 2 (1 ms, block 100), switches 0 except
// bTime24h and bDecLeadingZero 1, decimal separator ".".
void SH_Reset(void);

// Answers one binding request (message 30000 or 30001); same shape as the
// plug-in's HostRequestFn, context unused.
uintptr_t SH_Request(void* context, u32 message, const char* name);

// The service table the host answers from (before knobs apply).
const HostServices* SH_Answers(void);

// Announced plug-in variable by name, or nullptr.
const SimVariable* SH_FindVariable(const char* name);
// Writes an announced 32-bit plug-in variable (bExperimentIsRunning, ...).
void SH_SetPluginFlag(const char* name, u32 value);

// Class index by class name, or -1.
int SH_FindClass(const char* className);

// Creates a module of the class (DMM_CREATE_MODULE); nullptr when the class
// is unknown. The handler's result is in g_sim.messages.
SimModule* SH_CreateModule(const char* className);
// Sends a message to the module's handler and records it.
i32 SH_Send(SimModule* module, u32 msg, u32 wParam, u32 lParam);
// DMM_DELETE_MODULE, then frees the module.
void SH_DeleteModule(SimModule* module);
SimModule* SH_ModuleOf(const Module* record);

// Worksheet files. Lines: "timebase <id> <distance> <size>" per time base;
// per module "module <class>", "name <text>", "io <inputs> <outputs>",
// then either "params <size>" with "hex <bytes>" lines (the block byte for
// byte) or, in hand-written sheets, "create" (defaults from the module) and
// "poke <offset> u32|f64|str <value>" patches; "end" closes the module.
// Loading replaces all modules and sends DMM_LOAD_MODULE to each.
int SH_SaveWorksheet(const char* path);
int SH_LoadWorksheet(const char* path);
std::string SH_WorksheetText(void);
int SH_LoadWorksheetText(const char* text);  // 0 with a fault recorded on error

void SH_SetTimeBase(u32 id, double sampleDistance, u32 blockSize);
const SimTimeBase* SH_FindTimeBase(u32 id);

// Runs an experiment; 1 when it started and ended, 0 when a module refused
// the start.
int SH_Run(const SimRunOptions* options);
SimRunOptions SH_DefaultRunOptions(double seconds);  // simulated, 10 ms steps
void SH_Pause(bool paused);  // sets bExperimentIsPaused through its address

// Queues an input block for an output module's input.
void SH_FeedInput(SimModule* module, u32 input, double startTime, double sampleDistance,
                  const float* values, u16 count);
void SH_SetGlobalVar(int number, double value);

// ---- Windows: the real binding protocol -----------------------------------------

#ifdef _WIN32
// Creates the hidden host window whose procedure answers 30000 and 30001;
// without a display it is a message-only window.
HWND SHW_CreateHostWindow(void);
// Loads the plug-in DLL, calls its SetupTarnDLL with the host window and
// returns that result (0 also when the library or the export is missing).
int SHW_LoadPlugin(const char* dllPath);
// Deletes all modules, calls FinishTarnDLL and frees the library; returns
// FinishTarnDLL's result. The window stays for the next load.
int SHW_FinishPlugin(void);
HMODULE SHW_PluginModule(void);
#endif

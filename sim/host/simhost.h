// Simulated Tarnova host: a stand-in for tests and the demo.
//
// The host answers the plug-in's binding requests from its own tables, keeps
// module records with their parameter blocks, time bases and output streams,
// feeds module inputs from signal sources of its own, keeps global
// variables, saves and loads worksheets and runs experiments. What it is
// asked is recorded so that tests can check what the plug-in did.
//
// The core is portable. Natively, tests bind the plug-in's portable code
// directly with SH_Request as the request function; on Windows a hidden host
// window answers the binding messages and the plug-in DLL is loaded for real
// (SHW_* below).
//
// Host choices that a test may rely on:
// - Module records, parameter blocks, runtime areas, 16 channel runtime
//   records (when the class announces a size) and 16 output fifo
//   descriptors are allocated zero-filled; the active field is 1. A new
//   module is named after its class's short name and a number counted per
//   class from 1 ("AnalogIn1").
// - PerformDefaultAction answers 0 to the query messages (2, 117, 118, 124,
//   154, 156, 167, 168, 202) and 1 to everything else.
// - Global variables are numbered from 1; a reference is written "{V<n>}"
//   and recognised in that form, blanks around it allowed. When a variable
//   is defined or its value changes, every handler registered for its number
//   gets message 148 (DMM_REFRESH_148) with wParam the number.
// - Run order: inputs are emptied, every module gets
//   DMM_PUBLISH_CHANNEL_NAMES, then the phases run across all modules:
//   DMM_PREPARE_START_MODULE, DCM_SETUP_FIFO per output (fifo kind 21
//   written first), DMM_START_MODULE, DMM_GO_MODULE. A 0 in any phase
//   refuses the start: every module that got the prepare message, the
//   refusing one included, then gets DMM_STOP_MODULE. A started run has
//   cycles; each one sets the clock, calls onCycle, applies the variable
//   changes that are due, feeds the source blocks that are complete and
//   calls every module's compute function once. The run ends with
//   DMM_STOP_MODULE to every module.
// - The plug-in's bExperimentIsRunning is 1 from the first start message to
//   the last stop message. Compute is called while paused too; pausing only
//   sets the plug-in's bExperimentIsPaused.
// - One clock serves every time base: 0 when the run begins, advanced by the
//   run's step before each cycle, or read from a monotonic wall clock in real
//   time. A real-time run ends at its length on that clock: when a cycle
//   starts late, the moments it missed are skipped (the next cycle carries
//   their data) rather than caught up one by one (g_sim.report).
// - The decimal separator is read through its address and so may change at
//   any time; the leading-zero switch is a value the plug-in copies when it
//   binds, so it must be chosen before the plug-in is loaded.
#pragma once

#include "tarn_host.h"

#include <deque>
#include <string>
#include <vector>

// ---- Records, in call order ------------------------------------------------

struct SimRequest {  // one binding request
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
    Module* module;
};

struct SimGlobalVarUse {  // one GlVar_RegisterByNumber / GlVar_UnregisterByNumber
    bool registered;
    int number;
    Module* module;
    Handler handler;
};

struct SimModuleChange {  // one ChangeModuleSize or ChangeModuleName
    Module* module;
    bool isName;          // true: name; false: size
    u32 inputs, outputs;  // ChangeModuleSize
    std::string name;     // ChangeModuleName
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

// One module input: blocks waiting and what happened to them this run.
struct SimInput {
    std::deque<std::vector<u8>> queue;  // blocks waiting, front first
    bool frontTaken;                    // GetInputBlock handed out the front block
    u64 fed, taken, released;           // blocks queued, handed out, released
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

// ---- Signal sources ----------------------------------------------------------

// A source produces samples on its time base: sample k belongs to time
// k * sampleDistance, block n holds samples n * blockSize .. n * blockSize +
// blockSize - 1 and starts at n * blockSize * sampleDistance. A block is fed
// once the host clock has reached the end of its last sample, to every input
// the source is connected to. With cycles = freq * t + phase and frac its
// fraction:
enum SimSourceKind {
    SIM_SOURCE_CONSTANT,  // value
    SIM_SOURCE_RAMP,      // offset + amp * (2 * frac - 1): rises from offset - amp each period
    SIM_SOURCE_SINE,      // offset + amp * sin(2 pi cycles)
    SIM_SOURCE_SQUARE,    // offset + amp in the first half of each period, offset - amp after
};

struct SimSource {
    std::string name;
    SimSourceKind kind;
    double value;                     // constant
    double amp, freq, offset, phase;  // waves; phase in periods
    u32 timeBase;                     // host time base giving block size and sample distance
    // Run state, set at the start of each run.
    u32 blockSize;
    double sampleDistance;
    u64 nextBlock;
    SimStream fed;  // every block fed this run
};

struct SimConnection {  // a source feeding one module input
    std::string source;
    SimModule* module;
    u32 input;
};

struct SimGlobalVar {
    int number;
    double value;
};

// ---- Runs ------------------------------------------------------------------------

// A monotonic wall clock for real-time runs; tests inject their own.
struct SimWallClock {
    double (*now)(void* context);                   // seconds from any fixed origin
    void (*sleepUntil)(void* context, double time);  // returns at 'time' or later
    void* context;
};

// What the last run did. A cycle is late when it began more than half a
// step after its moment; lateness is measured for every cycle.
struct SimRunReport {
    u64 cycles;
    u64 lateCycles;
    u64 skippedMoments;     // real time: moments passed over while a cycle ran late
    double maxLateness;     // seconds
    double computeSeconds;  // wall time inside the modules' compute functions
    double wallSeconds;     // wall time from the first cycle to the last one's end
};

// Receives, instead of the recording, every released output block (module
// and output number) and every block a source feeds (module null, output the
// source's index in g_sim.sources). Streams then keep their counts only.
typedef void (*SimBlockSink)(void* context, SimModule* module, u32 output, const Block* block);

struct SimRunOptions {
    double seconds;       // run length on the host clock
    double step;          // clock advance per cycle; in real time the cycle period
    double firstCycleAt;  // simulated clock: the first cycle's time, later ones a step apart (0: one step);
                          // sources then begin with the block in progress a step before it
    bool realTime;        // clock from the wall clock; the run ends at its length on it
    const SimWallClock* wallClock;  // real time: nullptr for the system's monotonic clock
    // Called at the start of each cycle, once the clock is set, with the
    // cycle number counted from 0 (tests pause, stop, change variables or
    // feed inputs here); 0 ends the run.
    int (*onCycle)(void* context, u64 cycle);
    void* context;
};

// ---- Host state ---------------------------------------------------------------

struct SimKnobs {
    std::vector<std::string> missing;  // names answered with 0 (either message)
    int refuseDefineVariable;          // n > 0: the n-th DefineDllVariable returns 0
    u32 bDecLeadingZero;               // 1 by default
    char dezTrenn[8];                  // decimal separator, "." by default
};

struct SimHost {
    SimKnobs knobs;

    // Records, in call order.
    std::vector<SimRequest> requests;
    std::vector<SimVariable> variables;
    u32 defineModuleCalls;
    std::vector<std::string> menuTexts;  // TarnovaInsertMenu texts
    std::vector<SimClass> classes;
    std::vector<SimMenuCommand> menuCommands;
    std::vector<SimWarning> warnings;
    std::vector<SimInternalError> internalErrors;
    u32 stopExperimentCalls;
    std::vector<SimGlobalString> globalStrings;
    std::vector<SimGlobalVarUse> globalVarUses;
    std::vector<SimModuleChange> moduleChanges;
    std::vector<std::string> traps;     // unused services that were called
    std::vector<std::string> faults;    // host-detected misuse (unknown fifo, ...)
    i64 liveAllocations;                // NewMemAlloc minus NewDoMemFree

    // Worksheet and experiment.
    std::vector<SimModule*> modules;
    std::vector<SimTimeBase> timeBases;
    std::vector<SimSource> sources;
    std::vector<SimConnection> connections;
    std::vector<SimGlobalVar> globalVars;  // in definition order
    Module* currentModule;  // behind &CurrentModulePtr
    bool running, stopRequested;
    double clock;  // seconds since the run began
    SimRunReport report;
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
// (10 ms, block 1) and time base 2 (1 ms, block 100), decimal separator "."
// with a leading zero.
void SH_Reset(void);

// Answers one binding request (message 30000 or 30001); same shape as the
// plug-in's HostRequestFn, context unused.
uintptr_t SH_Request(void* context, u32 message, const char* name);

// The service table the host answers from (before knobs apply).
const HostServices* SH_Answers(void);

// Writes an announced 32-bit plug-in variable (bExperimentIsRunning, ...).
void SH_SetPluginFlag(const char* name, u32 value);

// Creates a module of the class (DMM_CREATE_MODULE); nullptr when the class
// is unknown.
SimModule* SH_CreateModule(const char* className);
// Sends a message to the module's handler.
i32 SH_Send(SimModule* module, u32 msg, u32 wParam, u32 lParam);
// DMM_DELETE_MODULE, then frees the module.
void SH_DeleteModule(SimModule* module);

// Worksheet files, one item per line, '#' starting a comment line:
//   timebase <id> <distance> <size>         a time base
//   source <name> <kind> <key>=<value>...   a signal source (SH_AddSource)
//   module <class>                          a module, up to "end":
//     name <text>, io <inputs> <outputs>, then either "params <size>" with
//     "hex <bytes>" lines (the block byte for byte) or, in hand-written
//     sheets, "create" (defaults from the module) and
//     "poke <offset> u32|f64|str <value>" patches
//   connect <source> <module name> <input>  feeds an input from a source
// SH_WorksheetText writes them in that order. Loading replaces modules,
// sources and connections and sends DMM_LOAD_MODULE to each module; 0 with a
// fault recorded on an error, leaving no module or source behind.
std::string SH_WorksheetText(void);
int SH_LoadWorksheet(const char* path);
int SH_LoadWorksheetText(const char* text);

void SH_SetTimeBase(u32 id, double sampleDistance, u32 blockSize);
const SimTimeBase* SH_FindTimeBase(u32 id);

// Runs an experiment; 1 when it started and ended, 0 when a module refused
// the start. g_sim.report tells how the cycles went.
int SH_Run(const SimRunOptions* options);
SimRunOptions SH_DefaultRunOptions(double seconds);  // simulated, 10 ms steps
// In a real-time run, runs the cycles whose moments have come; a program
// calls it from a modal loop of its own (a dialog open during the run).
void SH_RunDueCycles(void);
void SH_Pause(bool paused);  // sets bExperimentIsPaused through its address

// Declares a source from the text of a worksheet "source" line without the
// word: "<name> <kind> <key>=<value>...". Kinds and their keys:
//   constant value=V;  ramp|sine|square amp=A freq=F offset=O phase=P.
// Every kind takes timebase=ID (default 1). Keys left out are 0. A new source
// replaces one of the same name. nullptr, with a fault recorded, on a bad
// description. The address stays valid until the next source is added.
SimSource* SH_AddSource(const char* description);
SimSource* SH_FindSource(const char* name);
// Connects a source to a module input (below 16), replacing what fed that
// input before; 0 with a fault recorded for an unknown source or input.
int SH_Connect(const char* source, SimModule* module, u32 input);
// The source feeding that input, or nullptr.
const SimSource* SH_SourceOf(const SimModule* module, u32 input);

// Defines or changes a global variable (at once, also while a run goes on)
// and notifies the registered handlers when its value is new.
void SH_SetGlobalVar(int number, double value);

// ---- Windows: the real binding protocol -----------------------------------------

#ifdef _WIN32
// Loads the plug-in DLL, calls its SetupTarnDLL with the host window (hidden,
// answering 30000 and 30001; message-only without a display) and returns
// that result (0 also when the library or the export is missing).
int SHW_LoadPlugin(const char* dllPath);
// Deletes all modules, calls FinishTarnDLL and frees the library; returns
// FinishTarnDLL's result. The window stays for the next load.
int SHW_FinishPlugin(void);
HMODULE SHW_PluginModule(void);
#endif

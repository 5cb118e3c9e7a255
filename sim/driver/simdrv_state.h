// Inner state of the simulated driver, shared by its source files.
#pragma once

#include "simdrv_core.h"

enum SimKind : u8 { SIM_ETH, SIM_PCI, SIM_USB };
enum SimWave : u8 { SIM_SINE, SIM_SQUARE, SIM_RAMP, SIM_NOISE };

struct SimSignal {
    SimWave wave;
    double amp, freq, offset, phase;  // phase in cycles
    u64 seed;
};

struct SimListEntry {
    u32 channel, mode, range, inputSwitch;
};

struct SimDevice {
    // Configuration
    SimKind kind;
    i32 handle;
    char serial[SIMDRV_TEXT], address[SIMDRV_TEXT], hostname[SIMDRV_TEXT], hwaddress[SIMDRV_TEXT];
    char name[SIMDRV_TEXT], customer[SIMDRV_TEXT], date[SIMDRV_TEXT];
    u32 channels;
    double maxRate;
    bool searchable, reachable;
    SimSignal signal[SIMDRV_MAX_CHANNELS];
    // Run state
    bool connected, configured, measuring;
    double rate;
    u32 softwareClock, softwareBlock;
    SimListEntry list[SIMDRV_MAX_LIST];
    u32 listSize;
    double startTime;
    u64 readCount[SIMDRV_MAX_LIST];  // samples delivered per list position
};

struct SimConfig {
    SimDevice dev[SIMDRV_MAX_DEVICES];
    u32 count;
    bool realTime;
};

enum { SIM_DEFAULT_RATE = 1000 };

extern SimConfig g_sim;

// Makes sure the start-up configuration is loaded.
void SimInit();
// Parses a configuration into out; 0 or the first bad line number.
int SimParseConfig(const char* text, SimConfig* out);
extern const char* const g_simDefaultConfig;

double SimNow();

// Logs a call as name(args) and applies a call fault for it: true when the
// call must fail with *status.
bool SimEnter(i32* status, const char* name, i32 handle, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
// A read fault for this read kind (SIMDRV_READ_*) on this device.
bool SimReadFault(i32 handle, u32 kind, i32* status);
bool SimFrequencyFault(i32 handle, double hertz, i32* status);
// Log argument helpers: "&"/"NULL" for pointers, a quoted copy for text.
const char* SimPtr(const void* p);
const char* SimQuote(const char* text);

// Forgets search results and releases every device list (new configuration).
void SimResetDeviceAccess();

SimDevice* SimFindHandle(i32 handle);
SimDevice* SimConnected(i32 handle);  // null unless known and connected
void SimDisconnect(SimDevice* d);

// Whole sample periods in a time span.
u64 SimSampleCount(double seconds, double rate);
// Sample k of a channel at the device's rate, and the value at time t.
double SimSample(const SimDevice* d, u32 channel, u64 k);
double SimSampleAt(const SimDevice* d, u32 channel, double t);

// Inner state of the simulated driver, shared by its source files.
#pragma once

#include <vector>

#include "simdrv_core.h"

enum SimKind : u8 { SIM_ETH, SIM_PCI, SIM_USB };
enum SimWave : u8 { SIM_SINE, SIM_SQUARE, SIM_RAMP, SIM_NOISE, SIM_RECORDED };
// In the order of the plug-in's mode numbers.
enum SimCounterMode : u8 { SIM_CT_IMPULSE, SIM_CT_FREQUENCY, SIM_CT_PERIOD, SIM_CT_PULSEWIDTH, SIM_CT_INCREMENTAL };

// Every device has the same counters, ports and outputs; its analog input
// channels are configured.
enum {
    SIMDRV_MAX_DEVICES = 64,
    SIMDRV_MAX_CHANNELS = 32,  // analog input channels, and analog outputs, per device
    SIMDRV_MAX_LIST = 64,      // channel list positions per device and kind
    SIMDRV_TEXT = 256,         // identity and property texts, with terminator
    SIM_COUNTERS = 2,
    SIM_PORTS = 4,
    SIM_LINES_PER_PORT = 4,
    SIM_LINES = SIM_PORTS * SIM_LINES_PER_PORT,
    SIM_PWM_OUTPUTS = 16,
    SIM_SWING = 100,  // rotary encoder: pulses forward, then as many back
    SIM_DEFAULT_RATE = 1000,
};

struct SimSignal {
    SimWave wave;
    double amp, freq, offset, phase;  // phase in cycles
    u64 seed;
};

// Pulse train at a counter input: rising edges at whole cycles of its phase;
// jitter moves each edge by up to ±jitter of a period.
struct SimPulseTrain {
    double freq, duty, jitter;
    u64 seed;
    u32 start;  // impulse count at StartMeasure
};

// One measurement channel kind: its rate, list and delivered samples.
struct SimStream {
    double rate;
    u32 listSize;
    u32 list[SIMDRV_MAX_LIST];       // channel or line per position
    u64 readCount[SIMDRV_MAX_LIST];  // samples delivered per position
};

struct SimPwmOutput {
    bool prepared;
    double freq, duty;  // hertz, percent
};

struct SimDevice {
    // Configuration
    SimKind kind;
    i32 handle;
    char serial[SIMDRV_TEXT], address[SIMDRV_TEXT], hostname[SIMDRV_TEXT], hwaddress[SIMDRV_TEXT];
    char name[SIMDRV_TEXT], customer[SIMDRV_TEXT], date[SIMDRV_TEXT];
    u32 channels;
    double maxRate;
    bool loopback;
    SimSignal signal[SIMDRV_MAX_CHANNELS];
    SimPulseTrain train[SIM_COUNTERS];
    // Run state
    bool connected, configured, measuring, pwmRunning;
    double startTime;
    SimStream stream[3];  // by measurement channel kind, DRV_MC_*
    SimCounterMode counterMode[SIM_COUNTERS];
    SimPwmOutput pwm[SIM_PWM_OUTPUTS];
};

struct SimConfig {
    SimDevice dev[SIMDRV_MAX_DEVICES];
    u32 count;
};

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
// The same, then the connected device: null when the call fails here, with
// *status set (the call fault's status, or DRV_ERR_LOST_CONNECTION).
SimDevice* SimEnterDevice(i32* status, const char* name, i32 handle, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
// The connected device for a read (SIMDRV_READ_*) or an output call
// (SIMDRV_WRITE_*) after its faults: null when the call fails, with *status set.
SimDevice* SimReadDevice(i32 handle, u32 kind, i32* status);
SimDevice* SimWriteDevice(i32 handle, u32 kind, i32* status);
// Adds an output call to the write record; returns status.
i32 SimRecordWrite(u32 kind, const char* name, i32 handle, i32 channel, double value, double value2, i32 status);
// The result of the call whose log line has this index (no line: nothing).
void SimLogResult(u32 index, i32 status);
void SimLogResult(u32 index, const char* text);
// Log argument helpers: "&"/"NULL" for pointers, a quoted copy for text.
const char* SimPtr(const void* p);
const char* SimQuote(const char* text);

// Forgets search results and releases every device list (new configuration).
void SimResetDeviceAccess();

SimDevice* SimFindHandle(i32 handle);
SimDevice* SimConnected(i32 handle);  // null unless known and connected
void SimDisconnect(SimDevice* d);

// ---------------------------------------------------------------- measurement

// A number in [-1, 1) that depends only on seed and n.
double SimNoise(u64 seed, u64 n);
// The samples of the "recorded" signal, made on the first call (a fifth of a
// second): a configuration that names the signal makes them before any run.
const double* SimRecording(void);
// Whole sample periods in a time span.
u64 SimSampleCount(double seconds, double rate);
// Each kind samples at the ticks n / rate of the device clock. Sample k of a
// measurement is tick SimFirstTick + k, the first being the tick at or before
// StartMeasure, and is delivered once its period has ended.
inline u64 SimFirstTick(const SimDevice* d, u32 kind) { return SimSampleCount(d->startTime, d->stream[kind].rate); }
// The time of a tick, rounded to a double wherever it is computed, so that a
// sample and a write at the same time compare as equal (the x87 unit keeps
// wider intermediates; SSE arithmetic needs no help).
inline double SimTickTime(const SimDevice* d, u32 kind, u64 tick)
{
#if __FLT_EVAL_METHOD__ == 0
    double t = (double)tick / d->stream[kind].rate;
#else
    volatile double t = (double)tick / d->stream[kind].rate;
#endif
    return t;
}

// A position in a write history, carried from one sample to the next
// (SimStepAt below); SIM_NO_HINT before the first.
enum { SIM_NO_HINT = -2 };

// Samples k to k + n - 1 of a kind from at(t, &hint), the input at time t.
template <class Value, class At>
void SimFillTicks(const SimDevice* d, u32 kind, u64 k, u32 n, Value* out, At at)
{
    u64 tick = SimFirstTick(d, kind) + k;
    i32 hint = SIM_NO_HINT;
    for (u32 i = 0; i < n; ++i) out[i] = at(SimTickTime(d, kind, tick + i), &hint);
}

// Adds a channel or line to a kind's channel list (d connected, channel checked).
i32 SimListAdd(SimDevice* d, u32 kind, u32 channel);

// Samples k to k + n - 1 of an input, as the buffered reads deliver them.
void SimAnalogFill(const SimDevice* d, u32 channel, u64 k, u32 n, double* out);
void SimCounterFill(const SimDevice* d, u32 channel, u64 k, u32 n, u32* out);
void SimLineFill(const SimDevice* d, u32 line, u64 k, u32 n, u32* out);

// Inputs at time t, as the single reads read them.
double SimAnalogAt(const SimDevice* d, u32 channel, double t);
u32 SimCounterAt(const SimDevice* d, u32 channel, double t);
u32 SimLineAt(const SimDevice* d, u32 line, double t);

// ---------------------------------------------------------------- loopback

// What the outputs drove onto the inputs, per device, in time order: a step
// holds from its time until the next step.
struct SimStep {
    double t, value;  // volts, or a port word with bit i for line i of the port
};
// Pulse output state from t on: phase (cycles at t) grows by 'cycles' per
// second; cycles 0 while the output is stopped or held at 0 % or 100 %.
struct SimPulseStep {
    double t, phase, cycles, duty;
};
struct SimLoop {
    std::vector<SimStep> analog[SIMDRV_MAX_CHANNELS];
    std::vector<SimStep> port[SIM_PORTS];
    std::vector<SimPulseStep> pulse[SIM_COUNTERS];
};
SimLoop& SimLoopOf(const SimDevice* d);
void SimLoopClear();

// Drops the steps at or after t: a write replaces what was written for its
// time and later (the clock may have been set back).
template <class Step>
void SimStepTrim(std::vector<Step>& steps, double t)
{
    while (!steps.empty() && steps.back().t >= t) steps.pop_back();
}

// Index of the last step at or before t, or -1. A hint (the result for an
// earlier t) walks forward, so a read walks a history once; without one
// (SIM_NO_HINT) a binary search finds it.
template <class Step>
i32 SimStepAt(const std::vector<Step>& steps, double t, i32* hint)
{
    i32 n = (i32)steps.size();
    i32 i = *hint;
    if (i < -1 || i >= n || (i >= 0 && steps[i].t > t)) {
        i32 lo = 0, hi = n;  // first step after t
        while (lo < hi) {
            i32 mid = (lo + hi) / 2;
            if (steps[mid].t <= t) lo = mid + 1;
            else hi = mid;
        }
        i = lo - 1;
    } else {
        while (i + 1 < n && steps[i + 1].t <= t) ++i;
    }
    *hint = i;
    return i;
}

// An output holds value from now on.
void SimLoopWrite(std::vector<SimStep>& steps, double value);
// A pulse output drives counter input 'channel' from now on (loopback on).
void SimCounterDrive(SimDevice* d, u32 channel, double hertz, double dutyPercent);

// Fake host services and a scripted analog driver for the input pass tests.
// Everything is installed into g_host and g_drv by FakeRig's constructor.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "analogin_run.h"
#include "dev_device.h"
#include "drv_table.h"
#include "plugin_state.h"

struct Released {
    double start, distance;
    u16 count;
    std::vector<float> values;
    std::string tag;
};

// One output stream: the block the host currently offers and what was released.
struct FakeStream {
    Fifo fifo{};
    std::vector<double> storage;  // block memory, 8-byte aligned
    bool withheld = false;        // GetCurrentOutputBlock answers none
    std::vector<Released> released;
    Block* block() { return reinterpret_cast<Block*>(storage.data()); }
    float* values() { return reinterpret_cast<float*>(reinterpret_cast<u8*>(storage.data()) + 24); }
    void fresh(u32 capacity);  // a new block of sentinel values
};

struct FakeChannel {        // one measurement channel (list position) of the scripted device
    std::deque<double> waiting;
    i32 countStatus = 0;
};

struct FakeRig {
    FakeRig();
    ~FakeRig();

    // Host
    double time = 0, distance = 0.001;
    u32 timeBaseBlockSize = 8;
    int timeCalls = 0, blockCalls = 0, stops = 0;
    std::vector<std::string> warnings, errors;  // "module|text", "tag|text"
    FakeStream streams[KW_MAX_CHANNELS];

    // Driver
    std::vector<std::string> log;  // configuration calls, e.g. "AD_SetFrequency(7,1000)"
    FakeChannel channels[KW_MAX_CHANNELS];
    u32 listSize = 0;
    i32 listSizeStatus = 0, frequencyStatus[2] = {0, 0}, clockStatus = 0;
    i32 readStatus = 0;        // of the next data or single read
    u32 readsBeforeFailure = 0;
    u32 largestRequest = 0;
    double singleValue = 0;    // next AD_ReadSingleVoltage result, then +1
    i32 handleOfSerial = 7;

    std::string lastLog() const { return log.empty() ? "" : log.back(); }
};
extern FakeRig* g_rig;

// A host module record of the analog input with its areas, on a device.
struct FakeModule {
    Module m{};
    AnalogInParams params{};
    ModRuntime runtime[2]{};  // 32 bytes
    AnalogInRecord records[KW_MAX_CHANNELS]{};

    explicit FakeModule(u32 outputs, u32 timeBase = 2, const char* device = "\\?\\usb#0#SER1###");
    // Prepare, fifo set-up for every output, start and go, as the host runs them.
    bool run();
    AnalogInRecord& rec(u32 c) { return records[c]; }
};

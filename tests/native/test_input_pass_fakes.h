// Fake host services and a scripted analog device for the input pass tests,
// installed into g_host and g_drv by FakeRig's constructor.
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

// One output: the block the host offers now (NaN until written) and the released ones.
struct FakeStream {
    Fifo fifo{};
    std::vector<double> storage;  // 8-byte aligned block memory
    bool withheld = false;        // the host has no block
    std::vector<Released> released;
    float* values() { return reinterpret_cast<float*>(reinterpret_cast<u8*>(storage.data()) + 24); }
};

struct FakeRig {
    FakeRig();
    ~FakeRig();
    // Host
    double time = 0, distance = 0.001;
    u32 timeBaseBlockSize = 8;
    int blockCalls = 0, stops = 0;
    std::vector<std::string> warnings, errors;  // "module|text", "tag|text"
    FakeStream streams[KW_MAX_CHANNELS];
    // Device, handle 7
    std::vector<std::string> log;                   // configuration calls
    std::deque<double> waiting[KW_MAX_CHANNELS];    // per list position
    i32 countStatus[KW_MAX_CHANNELS] = {};
    u32 listSize = 0;
    std::vector<u32> requests;  // counts asked for by the data reads
    i32 listSizeStatus = 0, frequencyStatus[2] = {}, clockStatus = 0, readStatus = 0;
    double singleValue = 0;  // the next single reading, then one more each time
};
extern FakeRig* g_rig;

// A host module record of the analog input with its three areas.
struct FakeModule {
    Module m{};
    AnalogInParams params{};
    ModRuntime runtime[2]{};  // 32 bytes
    AnalogInRecord records[KW_MAX_CHANNELS]{};

    explicit FakeModule(u32 outputs, u32 timeBase = 2);
    bool run();  // prepare, fifo set-up of every output, start, go
    AnalogInRecord& rec(u32 c) { return records[c]; }
};

// A recording fake host and a scripted fake device for the native module
// tests. Rig installs both into g_host and g_drv and empties the device
// registry; calls land in Rig::log in order, e.g. "StartMeasure(7)",
// "ShowWarning(AnalogIn|...)". Every text handed to the host must end within
// its field, or the process aborts.
#pragma once

#include <string.h>

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "analogin_run.h"
#include "dev_device.h"
#include "drv_table.h"

struct Released {
    double start;
    std::vector<float> values;
};

// One output: the block the host offers now (NaN until written) and the released ones.
struct Stream {
    Fifo fifo{};
    std::vector<double> storage;  // 8-byte aligned block memory
    std::vector<Released> released;
    bool refused = false;  // the host gives no block
    float* values() { return (float*)((u8*)storage.data() + offsetof(Block, values)); }
};

struct Rig {
    Rig();
    ~Rig();
    std::vector<std::string> log;
    std::vector<std::string> take() { return std::exchange(log, {}); }
    std::vector<std::string> calls();  // take(), without the channel-name global strings
    // Host: only time base 'timeBase' is known (others: time -1, size 0, distance 0).
    u32 timeBase = 2, blockSize = 8;
    double time = 0, distance = 0.001;
    int blockCalls = 0;
    std::map<int, double> vars;  // GlVar_Get answers
    Stream streams[KW_MAX_CHANNELS];
    // Device: a handle per address or serial number; others fail with -5.
    std::map<std::string, i32> handleOf;
    i32 handleAtSerialEntry = 0;  // what GetCardIDBySerial found in *h
    u32 wordAtConnectEntry = 99;  // what RemoteDeviceConnect found in *word
    u32 listSize = 0;
    u32 listGrowth = 1;                           // list entries an add makes
    std::deque<double> waiting[KW_MAX_CHANNELS];  // values per list position
    std::vector<u32> requests;                    // counts asked for by the data reads
    u32 overReport = 0;                           // data reads claim this many values more than they gave
    i32 countOffset = 0;                          // count queries answer this much more than waits
    double singleValue = 0;                       // single readings so far (see SingleValue)
    u32 portWord = 0;                             // TTL_ReadPort
    u32 portInfo[4] = {4, 4, 16, 16};             // TTL_GetPortInfos
    // Faults: a driver call answers the status set for its entry point's
    // name, for the calls (counted per name) that the fault covers; 0 else.
    struct Fault {
        i32 status = 0;
        u32 from = 0, times = 0;  // calls from .. from + times - 1 (0 times: for good)
    };
    std::map<std::string, Fault> status;
    std::map<std::string, u32> callCount;
    // From the next call of 'name' on (after 'skip' more calls), for 'times' calls (0: for good).
    void fail(const std::string& name, i32 st, u32 skip = 0, u32 times = 0)
    {
        status[name] = Fault{st, callCount[name] + skip, times};
    }
    // Host: input blocks waiting per module input, front first.
    std::deque<std::vector<double>> inputs[KW_MAX_CHANNELS];
    void feed(u32 input, std::vector<float> values, double start = 0, double distance = 0.001);
    // Host memory for dialog copies: refused when set; live allocations counted.
    bool refuseMemory = false;
    int liveAllocations = 0;
    // Search: addresses of the last network search, copied as strncpy copies
    // (no terminator when too long); property texts by handle and name, their
    // whole length reported; list heads by DeviceInfoGet kind; one card text.
    std::vector<std::string> searchResults;
    std::map<std::pair<i32, std::string>, std::string> properties;
    std::string propertyAsked;  // the last property name asked for, and the length preset with it
    u32 propertyLength = 0;
    u32* deviceList[3] = {};
    const char* cardName = nullptr;
};

// A status set for the driver call 'name' (0 when none).
i32 RigStatus(const char* name);

// Memory below 4 GiB, so that its address fits a 32-bit lParam as on the target.
void* LowAlloc(size_t size);
static inline u32 Low32(const void* p) { return (u32)(uintptr_t)p; }

// The module a dialog edits: the host's current module.
void SetCurrentModule(Module* m);

// A module dialog without Windows: the controls as values, what the device
// selection applies, and how the dialog ended. Its address is the
// dialog's window handle.
struct FakeControl {
    std::string text;
    bool checked = false, enabled = true;
    std::vector<std::string> items;
    int selection = -1;
};
struct FakeDialog {
    FakeDialog();  // installs the fake control table
    std::map<int, FakeControl> controls;
    int result = -1;  // the dialog's result once ended
    std::string applies;  // what the device selection applies ("": nothing)
    HWND hwnd() { return (HWND)this; }
    FakeControl& operator[](int id) { return controls[id]; }
};

// A host module record of one kind with areas of the kind's sizes, its
// outputs on the rig's streams; the parameter block starts out as 0xAA bytes.
struct TestModule {
    const ModFrame* frame;
    Module* m;
    explicit TestModule(const ModFrame* f);
    ~TestModule();
    u8* bytes() { return (u8*)m->params; }
    u32 word(size_t offset) { u32 w; memcpy(&w, bytes() + offset, 4); return w; }
    i32 send(u32 msg, u32 w = 0, u32 l = 0) { return MOD_KindOf(frame)->cls->handler(m, msg, w, l); }
};

// A module of a kind with its defaults and 'channels' channels (outputs of an
// input kind, inputs of an output kind) on device SER1 (handle 7), its time
// base 'timeBase' (the rig's too).
struct DeviceModule : TestModule {
    DeviceModule(Rig& rig, const ModFrame* f, u32 channels, u32 timeBase = 2);
    bool run();  // prepare, fifo set-up of every output, start, go
    i32 compute() { return MOD_KindOf(frame)->cls->compute(m); }
    template <class T>
    T& params() { return *MOD_Params<T>(m); }
};

// A recording fake host and a scripted fake driver for the device layer and
// module frame tests. Rig's constructor installs both into g_host and g_drv
// and empties the device registry; every call lands in Rig::log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "dev_device.h"
#include "drv_table.h"
#include "mod_frame.h"

struct Rig {
    Rig();
    ~Rig();

    std::vector<std::string> log;  // e.g. "StartMeasure(7)", "ShowWarning(AnalogIn|...)"
    // Driver script
    std::map<std::string, i32> handleOf;  // address or serial -> handle; others fail with -5
    i32 configStatus = 0, startStatus = 0;
    i32 handleAtSerialEntry = 0;          // what GetCardIDBySerial found in *h
    u32 wordAtConnectEntry = 99;          // what RemoteDeviceConnect found in *word
    // Host script
    std::map<int, double> vars;  // GlVar_Get answers
    u32 timeBaseBlockSize = 256;
    double timeBaseDistance = 0.5;

    std::vector<std::string> take();  // the log so far, emptied
};
extern Rig* g_rig;

// Memory below 4 GiB, so that its address fits a 32-bit lParam as on the target.
void* LowAlloc(size_t size);

// A host module record of one kind with host-allocated areas of the kind's
// sizes; the parameter block starts out filled with 0xAA as the host's memory.
struct TestModule {
    const ModFrame* frame;
    Module* m;
    explicit TestModule(const ModFrame* f);
    ~TestModule();
    u8* bytes() { return (u8*)m->params; }
    u32 word(size_t offset);  // little-endian u32 of the parameter block
    i32 send(u32 msg, u32 wParam = 0, u32 lParam = 0) { return frame->handler(m, msg, wParam, lParam); }
};

static inline u32 Low32(const void* p) { return (u32)(uintptr_t)p; }

// A recording fake host and a scripted fake driver for the device layer and
// module frame tests: Rig installs both and empties the device registry;
// every call lands in Rig::log.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dev_device.h"
#include "drv_table.h"
#include "mod_frame.h"

struct Rig {
    Rig();
    ~Rig() { DEV_ResetAll(); }
    std::vector<std::string> log;         // e.g. "StartMeasure(7)", "ShowWarning(AnalogIn|...)"
    std::map<std::string, i32> handleOf;  // address or serial -> handle; others fail
    i32 configStatus = 0, startStatus = 0;
    i32 handleAtSerialEntry = 0;  // what GetCardIDBySerial found in *h
    u32 wordAtConnectEntry = 99;  // what RemoteDeviceConnect found in *word
    std::map<int, double> vars;   // GlVar_Get answers
    std::vector<std::string> take() { return std::exchange(log, {}); }
};

// Memory below 4 GiB, so that its address fits a 32-bit lParam as on the target.
void* LowAlloc(size_t size);
static inline u32 Low32(const void* p) { return (u32)(uintptr_t)p; }

// A host module record of one kind with areas of the kind's sizes; the
// parameter block starts out as 0xAA bytes, the host's memory.
struct TestModule {
    const ModFrame* frame;
    Module* m;
    explicit TestModule(const ModFrame* f);
    ~TestModule();
    u8* bytes() { return (u8*)m->params; }
    u32 word(size_t offset) { u32 w; memcpy(&w, bytes() + offset, 4); return w; }
    i32 send(u32 msg, u32 wParam = 0, u32 lParam = 0) { return frame->handler(m, msg, wParam, lParam); }
};

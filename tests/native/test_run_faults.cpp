// Faults a laboratory meets during a run, every kind against the fake device:
// the connection lost at each driver call of a run, other refusals at the
// same places, one channel failing among several, and answers of success that
// cannot be right.
#include <gmock/gmock.h>

#include <cmath>

#include "analogin_run.h"
#include "counterin_run.h"
#include "counterout_run.h"
#include "dev_search.h"
#include "digitalin_run.h"
#include "test_fakes.h"
#include "trace_control.h"
#include "trace_lines.h"

using ::testing::ElementsAre;
using Log = std::vector<std::string>;

namespace {

// The steps of a run in order. UNCHANGED is a compute call after the first
// whose only block repeats the last channel's value, so that an output has
// nothing to write.
enum Step { PREPARE, START, GO, COMPUTE, UNCHANGED };
const char* const kStepNames[] = {"prepare", "start", "go", "compute", "unchanged"};

// What the module does after the fault.
enum Outcome {
    STOPS,    // the step returns 0; StopExperiment, then the kind's internal error with the status
    REFUSES,  // the step returns 0 without a report, or with the row's warning
    GOES_ON,  // the step returns 1 and nothing is reported
};

struct FaultRow {
    const ModFrame* kind;
    u32 timeBase;
    Step step;
    const char* call;  // the entry point that fails
    i32 status;
    u32 skip;          // calls of the step that succeed before the fault
    Outcome outcome;
    const char* warning = nullptr;  // REFUSES: the warning shown
};

constexpr i32 LOST = DRV_ERR_LOST_CONNECTION;
constexpr const char* kTooQuickly = "At least one of the Channels of this Generator is sampled too quickly";
const ModFrame* const AI = &g_frameAnalogIn;
const ModFrame* const AO = &g_frameAnalogOut;
const ModFrame* const CI = &g_frameCounterIn;
const ModFrame* const CO = &g_frameCounterOut;
const ModFrame* const DI = &g_frameDigitalIn;
const ModFrame* const DO = &g_frameDigitalOut;

const FaultRow kFaults[] = {
    // The connection lost at every driver call site of a run; at the
    // connection itself the device cannot be named.
    {AI, 2, PREPARE, "GetCardIDBySerial", LOST, 0, REFUSES, DEV_INVALID_DEVICE_TEXT},
    {AI, 2, PREPARE, "AD_ClearChannelList", LOST, 0, STOPS},
    {AI, 2, START, "AD_GetChannelListSize", LOST, 0, STOPS},  // a channel's position
    {AI, 2, START, "AD_AddChannelToList", LOST, 1, STOPS},
    {AI, 2, START, "AD_GetChannelListSize", LOST, 2, STOPS},  // the size after the list
    {AI, 2, START, "AD_SetFrequency", LOST, 0, STOPS},
    {AI, 2, START, "AD_GetChannelListSize", LOST, 3, STOPS},  // the size for the software clock
    {AI, 2, START, "EnableSoftwareClock", LOST, 0, STOPS},
    {AI, 1, START, "AD_SetFrequency", LOST, 0, STOPS},  // no fallback to the plain rate
    {AI, 2, GO, "ConfigMeasure", LOST, 0, STOPS},
    {AI, 2, GO, "StartMeasure", LOST, 0, STOPS},
    {AI, 2, COMPUTE, "MeasurementChannel_GetNumberOfValues", LOST, 1, STOPS},
    {AI, 2, COMPUTE, "MeasurementChannel_ReadDataAsDouble", LOST, 0, STOPS},
    {AI, 1, COMPUTE, "AD_ReadSingleVoltage", LOST, 1, STOPS},
    {CI, 2, PREPARE, "CT_ClearChannelList", LOST, 0, STOPS},
    {CI, 2, START, "CT_GetChannelListSize", LOST, 1, STOPS},
    {CI, 2, START, "CT_AddChannelToList", LOST, 0, STOPS},
    {CI, 2, START, "CT_ImpulseCounter", LOST, 0, STOPS},
    {CI, 2, START, "CT_SetFrequency", LOST, 0, STOPS},
    {CI, 2, GO, "ConfigMeasure", LOST, 0, STOPS},
    {CI, 2, COMPUTE, "MeasurementChannel_GetNumberOfValues", LOST, 0, STOPS},
    {CI, 2, COMPUTE, "MeasurementChannel_ReadDataAsUInt32", LOST, 1, STOPS},
    {CI, 1, COMPUTE, "CT_ReadSingleValue", LOST, 0, STOPS},
    {DI, 2, PREPARE, "TTL_ClearChannelList", LOST, 0, STOPS},
    {DI, 2, START, "TTL_GetPortInfos", LOST, 0, STOPS},
    {DI, 2, START, "TTL_GetChannelListSize", LOST, 0, STOPS},
    {DI, 2, START, "TTL_SetChannelDirection", LOST, 1, STOPS},
    {DI, 2, START, "TTL_AddChannelToList", LOST, 0, STOPS},
    {DI, 1, START, "TTL_SetFrequency", LOST, 0, STOPS},
    {DI, 2, GO, "StartMeasure", LOST, 0, STOPS},
    {DI, 2, COMPUTE, "MeasurementChannel_GetNumberOfValues", LOST, 0, STOPS},
    {DI, 2, COMPUTE, "MeasurementChannel_ReadDataAsUInt32", LOST, 0, STOPS},
    {DI, 1, COMPUTE, "TTL_ReadPort", LOST, 0, STOPS},
    {AO, 2, COMPUTE, "DA_WriteChannelVoltage", LOST, 1, STOPS},
    {AO, 2, UNCHANGED, "GetDevicePropertyStringA", LOST, 0, STOPS},
    {CO, 2, PREPARE, "PWM_PreparePWMOutput", LOST, 0, STOPS},
    {CO, 2, PREPARE, "PWM_PrepareFMOutput", LOST, 0, STOPS},
    {CO, 2, GO, "PWM_StartOutput", LOST, 0, STOPS},
    {CO, 2, COMPUTE, "PWM_WriteNewPWMRatio", LOST, 0, STOPS},
    {CO, 2, COMPUTE, "PWM_SetDutyCycle", LOST, 0, STOPS},
    {CO, 2, COMPUTE, "PWM_SetFrequency", LOST, 0, STOPS},
    {CO, 2, UNCHANGED, "GetDevicePropertyStringA", LOST, 0, STOPS},
    {DO, 2, START, "TTL_GetPortInfos", LOST, 0, STOPS},
    {DO, 2, START, "TTL_SetChannelDirection", LOST, 1, STOPS},
    {DO, 2, GO, "ConfigMeasure", LOST, 0, STOPS},
    {DO, 2, COMPUTE, "TTL_WritePort", LOST, 0, STOPS},
    {DO, 2, UNCHANGED, "GetDevicePropertyStringA", LOST, 0, STOPS},
    // Other refusals keep their own ways; a refused connection counts even
    // when the driver wrote a handle.
    {DO, 2, PREPARE, "GetCardIDBySerial", -5, 0, REFUSES, DEV_INVALID_DEVICE_TEXT},
    {AI, 2, COMPUTE, "MeasurementChannel_GetNumberOfValues", -5, 0, GOES_ON},
    {AI, 2, COMPUTE, "MeasurementChannel_ReadDataAsDouble", -7, 1, STOPS},
    {AI, 2, START, "AD_GetChannelListSize", -5, 0, GOES_ON},
    {AI, 2, START, "AD_AddChannelToList", -3, 0, GOES_ON},
    {AI, 2, START, "EnableSoftwareClock", -2, 0, REFUSES, kTooQuickly},
    {CI, 2, START, "CT_AddChannelToList", -3, 0, REFUSES, "Couldn't add channel to channel list!"},
    {CI, 2, PREPARE, "CT_ClearChannelList", -5, 0, REFUSES},
    {DI, 2, START, "TTL_GetPortInfos", -5, 0, GOES_ON},
    {DI, 2, GO, "ConfigMeasure", -4, 0, REFUSES},
    {DI, 1, COMPUTE, "TTL_ReadPort", -7, 0, STOPS},
    {AO, 2, COMPUTE, "DA_WriteChannelVoltage", -5, 0, STOPS},
    {AO, 2, UNCHANGED, "GetDevicePropertyStringA", -5, 0, GOES_ON},
    {CO, 2, PREPARE, "PWM_PrepareFMOutput", -5, 0, GOES_ON},
    {CO, 2, GO, "PWM_StartOutput", -5, 0, GOES_ON},
    {CO, 2, COMPUTE, "PWM_SetFrequency", -5, 0, GOES_ON},
    {CO, 2, COMPUTE, "PWM_WriteNewPWMRatio", -5, 0, GOES_ON},
    {DO, 2, COMPUTE, "TTL_WritePort", -9, 0, STOPS},
    {DO, 2, START, "TTL_SetChannelDirection", -5, 0, GOES_ON},
};

// A two-channel module of the row's kind with data waiting for its first
// compute call: 8 values per channel in the device, or a block per input.
// The counter output runs channel 0 in PWM mode and channel 1 in FM mode with
// its duty cycle from variable 9.
struct FaultRun {
    Rig rig;
    DeviceModule mod;
    explicit FaultRun(const FaultRow& row) : mod(rig, row.kind, 2, row.timeBase)
    {
        if (row.kind == CO) {
            CounterOutChannel& fm = mod.params<CounterOutParams>().channel[1];
            fm.pwmMode = 0;
            fm.dutyCycleVar = 9;
            rig.vars[9] = 50;
        }
    }
    i32 step(Step s)
    {
        switch (s) {
        case PREPARE: return mod.send(DMM_PREPARE_START_MODULE);
        case START:
            for (u32 c = 0; c < mod.m->outputCount; ++c)
                if (mod.send(DCM_SETUP_FIFO, c) != 1) return -1;
            return mod.send(DMM_START_MODULE);
        case GO: return mod.send(DMM_GO_MODULE);
        case COMPUTE:
            for (u32 c = 0; c < 2; ++c) {
                rig.waiting[c].assign(8, 1.0 + c);
                rig.feed(c, {2.0f + c});
            }
            rig.vars[9] = 70;
            rig.time = 0.0085;
            return mod.compute();
        case UNCHANGED:
            rig.feed(1, {3.0f});
            return mod.compute();
        }
        return -1;
    }
};

TEST(RunFaults, EachCallSiteOfARunPerKind)
{
    for (const FaultRow& row : kFaults) {
        SCOPED_TRACE(std::string(row.kind->tag) + ", time base " + std::to_string(row.timeBase) + ", " +
                     kStepNames[row.step] + ": " + row.call + " answers " + std::to_string(row.status) + " after " +
                     std::to_string(row.skip) + " calls");
        FaultRun run(row);
        i32 result = -1;
        for (int s = PREPARE; s <= row.step; ++s) {
            if (s == row.step) {
                run.rig.fail(row.call, row.status, row.skip, 1);
                run.rig.take();
            }
            result = run.step((Step)s);
            if (s < row.step) {
                ASSERT_EQ(result, 1) << kStepNames[s];
            }
        }
        Log log = run.rig.take();
        ASSERT_GT(run.rig.callCount[row.call], run.rig.status[row.call].from) << "the faulty call was not made";
        if (row.step == UNCHANGED) {  // the outputs' probe of their device
            EXPECT_EQ(run.rig.propertyAsked, "serialnumber");
            EXPECT_EQ(run.rig.propertyLength, 256u);
        }
        auto reported = std::count_if(log.begin(), log.end(), [](const std::string& l) {
            return l.rfind("Show", 0) == 0 || l == "StopExperiment";
        });
        switch (row.outcome) {
        case STOPS: {
            char text[160];
            snprintf(text, sizeof text, "ShowInternalError(%s|%s (%d))", row.kind->errorTag,
                     row.status == LOST ? "Invalid device or lost connection, experiment stopped!"
                                        : "Unknown error, experiment stopped!",
                     row.status);
            EXPECT_EQ(result, 0);
            ASSERT_GE(log.size(), 2u);
            EXPECT_EQ(Log(log.end() - 2, log.end()), (Log{"StopExperiment", text}));
            EXPECT_EQ(reported, 2);
            if (row.step == COMPUTE && row.kind->outputKind) {  // the failing channel's block stays
                EXPECT_GT(run.rig.inputs[0].size() + run.rig.inputs[1].size(), 0u);
            }
            break;
        }
        case REFUSES:
            EXPECT_EQ(result, 0);
            EXPECT_EQ(reported, row.warning ? 1 : 0);
            if (row.warning) {
                EXPECT_EQ(log.back(), std::string("ShowWarning(") + run.mod.m->name + "|" + row.warning + ")");
            }
            break;
        case GOES_ON:
            EXPECT_EQ(result, 1);
            EXPECT_EQ(reported, 0);
            if (row.step == COMPUTE && row.kind->outputKind)  // the other channel is served all the same
                EXPECT_EQ(run.rig.inputs[0].size() + run.rig.inputs[1].size(), 0u);
            break;
        }
    }
}

// A channel that the start leaves out of the device's list (its list size
// unread or its add refused) delivers nothing in either pass, and the others
// each deliver their own values: in the block pass those of their list
// positions, in the single-value pass those of their own inputs (the fake
// device's single readings are 1000 x channel + n; the port has line 2 set).
// The trace's account at the stop says which channel delivered nothing, and why.
TEST(RunFaults, AChannelLeftOutOfTheListDeliversNothingAndTheOthersTheirOwn)
{
    struct { const ModFrame* kind; const char* call; const char* why; } cases[] = {
        {AI, "AD_GetChannelListSize", "list size read failed (-5)"},
        {AI, "AD_AddChannelToList", "the device refused to add it (-5)"},
        {CI, "CT_GetChannelListSize", "list size read failed (-5)"},
        {DI, "TTL_GetChannelListSize", "list size read failed (-5)"},
        {DI, "TTL_AddChannelToList", "the device refused to add it (-5)"}};
    const std::string path = ::testing::TempDir() + "left-out-trace.txt";
    for (const auto& c : cases)
        for (u32 timeBase : {2u, 1u}) {
            SCOPED_TRACE(std::string(c.kind->tag) + " " + c.call + " time base " + std::to_string(timeBase));
            Rig rig;
            DeviceModule in(rig, c.kind, 3, timeBase);
            ASSERT_TRUE(TRC_Open(TRC_System(), path.c_str(), TRC_FILE_LIMIT));
            rig.fail(c.call, -5, 1, 1);  // channel 1's
            ASSERT_TRUE(in.run());
            for (u32 p = 0; p < 2; ++p) rig.waiting[p].assign(8, c.kind == DI ? 7.0 * p : 1.0 + p);
            rig.portWord = 0b100;
            rig.time = 0.0085;
            ASSERT_EQ(in.compute(), 1);
            EXPECT_TRUE(rig.streams[1].storage.empty()) << "channel 1 was served";
            for (u32 ch : {0u, 2u}) {
                ASSERT_EQ(rig.streams[ch].released.size(), 1u) << ch;
                float v = rig.streams[ch].released[0].values[0];
                if (timeBase == 1) {
                    EXPECT_EQ(c.kind == DI ? v == 5.0f : (u32)v / 1000, c.kind == DI ? ch == 2 : ch) << ch;
                } else {
                    float own = c.kind == DI ? 5.0f * (ch / 2) : 1.0f + ch / 2;  // of list position ch / 2
                    for (float w : rig.streams[ch].released[0].values) ASSERT_EQ(w, own);
                }
            }
            in.send(DMM_STOP_MODULE);
            TRC_Close();
            std::string trace = trace_file_text(path);
            EXPECT_NE(trace.find(" 1: delivered nothing, not in the device's list: " + std::string(c.why)),
                      std::string::npos)
                << trace;
        }
}

// In a compute call, a channel whose count the device refuses or whose block
// the host refuses delivers nothing this time, the other channel its values.
TEST(RunFaults, AChannelWithoutCountOrBlockLeavesTheOthersTheirValues)
{
    for (const ModFrame* kind : {AI, CI, DI})
        for (u32 timeBase : {2u, 1u}) {
            Rig rig;
            DeviceModule in(rig, kind, 2, timeBase);
            ASSERT_TRUE(in.run());
            rig.streams[0].refused = true;
            rig.fail("MeasurementChannel_GetNumberOfValues", -5, 0, 1);  // its count, first asked
            for (u32 p = 0; p < 2; ++p) rig.waiting[p].assign(8, 1.0);
            rig.time = 0.0085;
            ASSERT_EQ(in.compute(), 1);
            EXPECT_EQ(rig.streams[1].released.size(), 1u) << kind->tag << " time base " << timeBase;
        }
}

// Answers of success that cannot be right: a negative device handle is a
// failed connection and never registered; a list position that another
// channel holds lists no second channel; a port layout with no port, or one
// that puts a line beyond the port word (by one, or far), leaves the block's
// layout in place, as a refused one does.
TEST(RunFaults, SuccessThatCannotBeRightIsNotTrusted)
{
    for (const char* device : {"\\?\\usb#0#SER1###", "\\?\\eth#0#SER1#10.0.0.1##"}) {
        Rig rig;
        DeviceModule ai(rig, AI, 1);
        rig.handleOf = {{"SER1", -3}, {"10.0.0.1", -3}};
        kw_strlcpy(MOD_Header(ai.m)->device, device, DEV_STRING_SIZE);
        EXPECT_EQ(ai.send(DMM_PREPARE_START_MODULE), 0);
        EXPECT_EQ(rig.log.back(), std::string("ShowWarning(AnalogIn|") + DEV_INVALID_DEVICE_TEXT + ")");
        EXPECT_EQ(DEV_FindDevice(-3), nullptr);
        DevRow row;
        EXPECT_FALSE(DEV_ConnectNetworkDevice("10.0.0.1", &row));
        EXPECT_EQ(DEV_FindDevice(-3), nullptr);
    }

    for (const ModFrame* kind : {AI, CI, DI}) {
        Rig rig;
        rig.listGrowth = 0;  // adds accepted, the list never grows: every position read is 0
        DeviceModule in(rig, kind, 3);
        ASSERT_TRUE(in.run());
        rig.waiting[0].assign(24, 1.0);  // enough for three channels that read the same position
        rig.time = 0.0085;
        ASSERT_EQ(in.compute(), 1);
        EXPECT_EQ(rig.streams[0].released.size(), 1u) << kind->tag;
        EXPECT_TRUE(rig.streams[1].storage.empty() && rig.streams[2].storage.empty()) << kind->tag;
    }

    // Port 2, 3 channels: lines are numbered device-wide, lines per port x
    // port + channel; lines 32 and 34 are beyond the word. Only the last
    // layout fits, and is saved with the block.
    struct { u32 ports, lines; i32 status; } layouts[] = {
        {0, 4, 0}, {4, 0, 0}, {4, 15, 0}, {4, 16, 0}, {6, 8, -5}, {6, 8, 0}};
    for (const ModFrame* kind : {DI, DO})
        for (const auto& l : layouts) {
            Rig rig;
            rig.fail("TTL_GetPortInfos", l.status);
            rig.portInfo[0] = l.ports;
            rig.portInfo[1] = l.lines;
            rig.portInfo[2] = 99;
            DeviceModule d(rig, kind, 3);
            DigitalParams& p = d.params<DigitalParams>();
            p.port = 2;
            ASSERT_TRUE(d.run());
            bool fits = &l == &layouts[5];
            EXPECT_EQ(std::vector<u32>({p.portCount, p.linesPerPort, p.portWord3}),
                      fits ? std::vector<u32>({6, 8, 99}) : std::vector<u32>({4, 4, 16}));
            EXPECT_THAT(rig.log, ::testing::Contains("TTL_SetChannelDirection(7," + std::string(fits ? "18," : "10,") +
                                                     (kind == DI ? "0)" : "1)")));
        }
    // A damaged block whose own layout puts port 2 at line 2^32: no line is
    // set, none of the lines 0 to 2 that the number would wrap to.
    for (const ModFrame* kind : {DI, DO}) {
        Rig rig;
        rig.fail("TTL_GetPortInfos", -5);
        DeviceModule d(rig, kind, 3);
        d.params<DigitalParams>().port = 2;
        d.params<DigitalParams>().linesPerPort = 0x80000000u;
        ASSERT_TRUE(d.run());
        for (const std::string& call : rig.log) EXPECT_EQ(call.find("TTL_SetChannelDirection"), std::string::npos);
    }
}

// Numbers that cannot be right: a sample distance from the host that is not
// a finite number above 0 never becomes a rate (the start is refused with
// string 12000, no rate asked); in a compute call, a negative count of
// waiting values (with success) is no count, and a host clock whose time or
// sample distance is no number, or whose time is infinitely far back, has
// not ticked: nothing is read or released.
TEST(RunFaults, NoNumbersMakeNoRateAndReadNothing)
{
    struct { i32 countOffset; double time, distance; i32 result; } cases[] = {
        {-9, 0.0085, 0.001, 1}, {0, NAN, 0.001, 0}, {0, -INFINITY, 0.001, 0}, {0, 0.0085, NAN, 0}};
    for (const ModFrame* kind : {AI, CI, DI}) {
        for (double distance : {(double)NAN, 0.0, -0.001, (double)INFINITY, 1e-300}) {
            Rig rig;
            DeviceModule in(rig, kind, 1);
            rig.distance = distance;
            EXPECT_FALSE(in.run()) << kind->tag << " " << distance;
            Log log = rig.take();
            EXPECT_EQ(log.back(), std::string("ShowWarning(") + in.m->name + "|" + kTooQuickly + ")");
            EXPECT_EQ(std::count_if(log.begin(), log.end(),
                                    [](const std::string& l) { return l.find("SetFrequency") != std::string::npos; }),
                      0);
        }
        for (const auto& c : cases) {
            Rig rig;
            DeviceModule in(rig, kind, 1);
            ASSERT_TRUE(in.run());
            rig.waiting[0].assign(8, 1.0);
            rig.countOffset = c.countOffset;
            rig.time = c.time;
            rig.distance = c.distance;
            EXPECT_EQ(in.compute(), c.result) << kind->tag << " " << c.time << " " << c.distance;
            EXPECT_TRUE(rig.requests.empty() && rig.streams[0].released.empty());
        }
    }
}

// A driver without one of the entry points a kind calls refuses the kind's
// prepare, naming the entry point, before any device is touched; the
// channel records are cleared all the same.
TEST(RunFaults, AMissingEntryPointRefusesThePrepare)
{
#define KW_SLOT(name) offsetof(DrvTable, name), #name
    struct { const ModFrame* kind; size_t slot; const char* name; } rows[] = {
        {AI, KW_SLOT(MeasurementChannel_ReadDataAsDouble)}, {AO, KW_SLOT(DA_WriteChannelVoltage)},
        {CI, KW_SLOT(CT_PeriodCounter)}, {CO, KW_SLOT(PWM_SetDutyCycle)},
        {DI, KW_SLOT(TTL_ReadPort)}, {DO, KW_SLOT(TTL_WritePort)}};
#undef KW_SLOT
    for (const auto& row : rows) {
        Rig rig;
        DeviceModule mod(rig, row.kind, 2);
        memset((u8*)&g_drv + row.slot, 0, sizeof(void*));
        memset(mod.m->channel[1], 0x55, 4);
        rig.take();
        EXPECT_EQ(mod.send(DMM_PREPARE_START_MODULE), 0);
        EXPECT_EQ(rig.take(), Log{"ShowWarning(" + std::string(mod.m->name) + "|Driver entry point " + row.name +
                                  " is missing, module cannot start!)"});
        EXPECT_EQ(MOD_Runtime(mod.m)->handle, -1);
        EXPECT_EQ(*(u32*)mod.m->channel[1], 0u);
        EXPECT_EQ(DEV_FindDevice(7), nullptr);
    }
}

}  // namespace

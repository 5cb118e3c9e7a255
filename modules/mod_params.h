// Parameter blocks of the six module kinds: saved byte for byte in the
// worksheet, so their layout is a file format. They hold no pointers and have
// the same bytes on every target; offsets are checked everywhere.
#pragma once

#include "kw_types.h"

#define KW_PARAM_OFFSET(type, field, off) \
    static_assert(offsetof(type, field) == (off), #type "." #field " offset")

enum {
    PARAM_MAGIC = 0x32545658,  // "XVT2"
    PARAM_VERSION = 4,
    PARAM_SECTIONS = 3,
    PARAM_SIGNATURE_SIZE = 32,
    CHANNEL_NAME_SIZE = 20,
    CHANNEL_UNIT_SIZE = 64,
    PARAM_RESERVED_344 = 42000,
};

#pragma pack(push, 1)

struct ParamSection {
    u32 kind, count, size;
};

// Common header of every kind's block.
struct ParamHeader {
    u32 magic;
    u32 version;
    u32 sectionCount;
    ParamSection sections[PARAM_SECTIONS];
    char signature[PARAM_SIGNATURE_SIZE];
    char device[260];
    u32 reserved340;
    u32 reserved344;  // 42000 at creation
    u32 reserved348;
};
KW_PARAM_OFFSET(ParamHeader, sections, 12);
KW_PARAM_OFFSET(ParamHeader, signature, 48);
KW_PARAM_OFFSET(ParamHeader, device, 80);
KW_PARAM_OFFSET(ParamHeader, reserved344, 344);
static_assert(sizeof(ParamHeader) == 352, "ParamHeader size");

// Every channel's settings begin with its name and unit.
struct ChannelHead {
    char name[CHANNEL_NAME_SIZE];
    char unit[CHANNEL_UNIT_SIZE];
};

// Analog channels (analog input and output share the layout).
struct AnalogChannel {
    char name[CHANNEL_NAME_SIZE];
    char unit[CHANNEL_UNIT_SIZE];
    u32 range;        // 0..3
    u32 inputSwitch;  // handed to the driver
    u32 inputMode;    // always 0, handed to the driver
    u32 reserved96;
    u32 realTime;     // hold full blocks until the time base reaches their end
    u32 reserved104;
};
KW_PARAM_OFFSET(AnalogChannel, range, 84);
KW_PARAM_OFFSET(AnalogChannel, realTime, 100);
static_assert(sizeof(AnalogChannel) == 108, "AnalogChannel size");

struct AnalogInParams {
    ParamHeader header;
    AnalogChannel channel[16];
    u32 timeBaseId;
    u32 softwareClock;           // 0 or 1
    u32 softwareClockBlockSize;  // 1..128
};
KW_PARAM_OFFSET(AnalogInParams, channel, 352);
KW_PARAM_OFFSET(AnalogInParams, timeBaseId, 2080);
KW_PARAM_OFFSET(AnalogInParams, softwareClockBlockSize, 2088);
static_assert(sizeof(AnalogInParams) == 2092, "AnalogInParams size");

struct AnalogOutParams {
    ParamHeader header;
    AnalogChannel channel[16];
    u32 timeBaseId;
};
KW_PARAM_OFFSET(AnalogOutParams, timeBaseId, 2080);
static_assert(sizeof(AnalogOutParams) == 2084, "AnalogOutParams size");

struct CounterInChannel {
    char name[CHANNEL_NAME_SIZE];
    char unit[CHANNEL_UNIT_SIZE];
    u32 realTime;
    u32 reserved88;
    u32 mode;  // 0..4
};
KW_PARAM_OFFSET(CounterInChannel, realTime, 84);
KW_PARAM_OFFSET(CounterInChannel, mode, 92);
static_assert(sizeof(CounterInChannel) == 96, "CounterInChannel size");

struct CounterInParams {
    ParamHeader header;
    CounterInChannel channel[16];
    u32 timeBaseId;
};
KW_PARAM_OFFSET(CounterInParams, timeBaseId, 1888);
static_assert(sizeof(CounterInParams) == 1892, "CounterInParams size");

struct CounterOutChannel {
    char name[CHANNEL_NAME_SIZE];
    char unit[CHANNEL_UNIT_SIZE];
    u32 realTime;  // stored and copied, no effect
    u32 reserved88[2];
    u32 pwmMode;  // non-zero PWM, 0 FM
    u32 reserved100;
    double frequency;  // hertz
    double dutyCycle;  // percent
    i16 frequencyVar;  // host global variable number, <= 0 none
    i16 dutyCycleVar;
    u32 reserved124;
};
KW_PARAM_OFFSET(CounterOutChannel, pwmMode, 96);
KW_PARAM_OFFSET(CounterOutChannel, frequency, 104);
KW_PARAM_OFFSET(CounterOutChannel, dutyCycle, 112);
KW_PARAM_OFFSET(CounterOutChannel, frequencyVar, 120);
KW_PARAM_OFFSET(CounterOutChannel, dutyCycleVar, 122);
static_assert(sizeof(CounterOutChannel) == 128, "CounterOutChannel size");

struct CounterOutParams {
    ParamHeader header;
    CounterOutChannel channel[16];
    u32 timeBaseId;
    u32 reserved2404;
};
KW_PARAM_OFFSET(CounterOutParams, timeBaseId, 2400);
static_assert(sizeof(CounterOutParams) == 2408, "CounterOutParams size");

struct DigitalChannel {
    char name[CHANNEL_NAME_SIZE];
    char unit[CHANNEL_UNIT_SIZE];
    u32 realTime;
    u32 reserved88;
};
static_assert(sizeof(DigitalChannel) == 92, "DigitalChannel size");

// Digital input and output share the block.
struct DigitalParams {
    ParamHeader header;
    DigitalChannel channel[16];
    u32 timeBaseId;
    u32 port;          // 0 is "PA"
    u32 portCount;     // port information, refreshed from the device at start
    u32 linesPerPort;
    u32 portWord3;
    u32 portWord4;
};
KW_PARAM_OFFSET(DigitalParams, timeBaseId, 1824);
KW_PARAM_OFFSET(DigitalParams, port, 1828);
KW_PARAM_OFFSET(DigitalParams, portCount, 1832);
KW_PARAM_OFFSET(DigitalParams, portWord4, 1844);
static_assert(sizeof(DigitalParams) == 1848, "DigitalParams size");

#pragma pack(pop)

// Common start of every module runtime area.
struct ModRuntime {
    i32 handle;  // -1 when no device is connected
    u32 blockSize;
    double sampleDistance;
};

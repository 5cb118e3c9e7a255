// A worksheet with a module of every kind on one simulated network device
// whose outputs drive its inputs, for the tests that follow a whole
// experiment through the plug-in: time base 2 (1 kHz in blocks of 100), the
// outputs fed by the host's sources.
#pragma once

#include <string>

#include "mod_params.h"
#include "simhost.h"

// The device, for the simulated driver's configuration.
static const char kEveryKindDevice[] =
    "[eth]\nserial = SIM-1001\naddress = 192.168.10.21\nhostname = kw-eth-1\nhwaddress = 00:1A:2B:3C:4D:01\n"
    "handle = 1\nloopback = 1\n";

static const char kEveryKindDeviceString[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";

// A module of the class on the device with that many channels; null when
// the class is unknown.
static inline SimModule* every_kind_module(const char* className, u32 channels)
{
    SimModule* m = SH_CreateModule(className);
    if (!m) return nullptr;
    kw_strlcpy(((ParamHeader*)m->record->params)->device, kEveryKindDeviceString, sizeof(ParamHeader::device));
    (m->record->inputCount ? m->record->inputCount : m->record->outputCount) = channels;
    return m;
}

static inline bool every_kind_feed(const char* source, SimModule* m, u32 input)
{
    std::string name(source, std::string(source).find(' '));
    return SH_AddSource(source) && SH_Connect(name.c_str(), m, input);
}

// The six modules and their sources; false when one is missing.
static inline bool every_kind_worksheet(void)
{
    SH_SetTimeBase(2, 0.001, 100);
    SimModule* ai = every_kind_module("KWE:AnalogIn", 2);
    SimModule* ci = every_kind_module("KWE:CounterIn", 2);
    SimModule* di = every_kind_module("KWE:DigitalIn", 2);
    SimModule* ao = every_kind_module("KWE:AnalogOut", 1);
    SimModule* co = every_kind_module("KWE:CounterOut", 2);
    SimModule* dout = every_kind_module("KWE:DigitalOut", 1);
    if (!ai || !ci || !di || !ao || !co || !dout) return false;
    ((CounterOutParams*)co->record->params)->channel[1].pwmMode = 0;  // FM
    return every_kind_feed("sine sine amp=2 freq=2 timebase=2", ao, 0) &&
           every_kind_feed("ramp ramp amp=40 offset=50 freq=1 timebase=2", co, 0) &&
           every_kind_feed("hertz constant value=200 timebase=2", co, 1) &&
           every_kind_feed("square square amp=5 freq=5 timebase=2", dout, 0);
}

// Parameter blocks as a laboratory keeps them, for the tests that open a
// module dialog and close it without edits: every setting that the kind's
// dialog shows, away from its default, on every channel, and time base 1
// (the single-value one) where the kind has one. The counter output holds
// numbers that its two-decimal display rounds, negative, tiny and large
// ones, variable references and a mode switch written as 7.
#pragma once

#include <stdio.h>
#include <string.h>

#include "mod_params.h"
#include "tarn_host.h"

// Host global variables that the counter output's references name.
enum { FIELD_FREQUENCY_VAR = 3, FIELD_DUTY_CYCLE_VAR = 4 };

// The block of a module of the class ("KWE:AnalogIn", ...).
static inline void field_block(const char* className, void* params)
{
    static const struct {
        u32 pwm;
        double frequency, dutyCycle;
        i16 frequencyVar, dutyCycleVar;
    } kCounterOut[] = {
        {1, 123456.0, 12.5, 0, 0}, {1, 0.004, 33.3, 0, 0}, {0, 1000.0, -0.25, 0, 0},
        {0, 50.0, 99.999, 0, 0},   {0, 20.0, 1e-7, 0, 0},  {0, 20.0, 1.5e6, 0, 0},
        {1, 12.5, 40.0, FIELD_FREQUENCY_VAR, 0}, {0, 7.0, 60.0, 0, FIELD_DUTY_CYCLE_VAR}, {7, 250.0, 10.0, 0, 0},
    };
    const char* kind = className + 4;  // after "KWE:"
    bool analog = !strncmp(kind, "Analog", 6), digital = !strncmp(kind, "Digital", 7);
    snprintf(((ParamHeader*)params)->device, sizeof ParamHeader::device,
             "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1");
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        if (analog) {
            AnalogChannel* c = &((AnalogInParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Pressure %u", i);
            snprintf(c->unit, sizeof c->unit, "mbar");
            c->range = 3 - i % 4;
            c->realTime = i % 2;
        } else if (digital) {
            DigitalChannel* c = &((DigitalParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Door %u", i);
            snprintf(c->unit, sizeof c->unit, "TTL");
            c->realTime = 0;
        } else if (!strcmp(kind, "CounterIn")) {
            CounterInChannel* c = &((CounterInParams*)params)->channel[i];
            snprintf(c->name, sizeof c->name, "Shaft %u", i);
            c->mode = 4 - i % 5;
            c->realTime = 0;
        } else if (!strcmp(kind, "CounterOut")) {
            CounterOutChannel* c = &((CounterOutParams*)params)->channel[i];
            const auto& v = kCounterOut[i % (sizeof kCounterOut / sizeof kCounterOut[0])];
            snprintf(c->name, sizeof c->name, "Valve %u", i);
            c->pwmMode = v.pwm;
            c->frequency = v.frequency;
            c->dutyCycle = v.dutyCycle;
            c->frequencyVar = v.frequencyVar;
            c->dutyCycleVar = v.dutyCycleVar;
        }
    }
    if (!strcmp(kind, "AnalogIn")) {
        AnalogInParams* p = (AnalogInParams*)params;
        p->timeBaseId = 1;
        p->softwareClock = 1;
        p->softwareClockBlockSize = 64;
    } else if (!strcmp(kind, "CounterIn")) {
        ((CounterInParams*)params)->timeBaseId = 1;
    } else if (digital) {
        ((DigitalParams*)params)->timeBaseId = 1;
        ((DigitalParams*)params)->port = 2;  // "PC" of the default four ports
    }
}
